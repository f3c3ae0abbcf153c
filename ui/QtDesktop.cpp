#include "ui/QtDesktop.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QCursor>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>

#include "ui/AboutDialog.h"
#include "ui/HelpViewer.h"
#include "ui/QtColour.h"
#include "ui/SwatchMenu.h"

namespace halcyone {

namespace {

constexpr QPoint swatchMenuOffset(75, 100);  // the menu's centre lies left of and above the cursor

void showBox(QMessageBox::Icon icon, const std::string& text, const std::string& caption) {
    QMessageBox box(icon, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
}

}  // namespace

namespace {

// Qt's own save dialog (the same on every desktop), which appends the default extension to a
// name typed without one and never asks about replacing a file.
void setUpSaveDialog(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
}

}  // namespace

std::optional<std::string> QtDesktop::askSaveFileName(const FileDialogSpec& spec) {
    QFileDialog dialog(owner_);
    setUpSaveDialog(dialog);
    dialog.setNameFilter(QString::fromStdString(spec.description));
    dialog.setDefaultSuffix(QString::fromStdString(spec.defaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

std::optional<ExportChoice> QtDesktop::askExportFileName(const std::vector<FileDialogSpec>& filters,
                                                         const std::string& option) {
    if (filters.empty()) return std::nullopt;
    QFileDialog dialog(owner_);
    setUpSaveDialog(dialog);
    QStringList names;
    for (const FileDialogSpec& filter : filters) names << QString::fromStdString(filter.description);
    dialog.setNameFilters(names);
    dialog.setDefaultSuffix(QString::fromStdString(filters.front().defaultExtension));
    // The extension added to a bare name follows the filter chosen.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &filters, names](const QString& name) {
        const qsizetype index = names.indexOf(name);
        if (index >= 0) dialog.setDefaultSuffix(QString::fromStdString(filters[static_cast<std::size_t>(index)].defaultExtension));
    });
    QCheckBox* box = nullptr;
    if (!option.empty()) {
        // Qt's own dialog lays its parts out in a grid: the check box goes in a row of its own.
        box = new QCheckBox(QString::fromStdString(option), &dialog);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) grid->addWidget(box, grid->rowCount(), 0, 1, -1);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return ExportChoice{dialog.selectedFiles().first().toStdString(),
                        static_cast<int>(std::max<qsizetype>(0, names.indexOf(dialog.selectedNameFilter()))),
                        box != nullptr && box->isChecked()};
}

void QtDesktop::showMessage(const std::string& text, const std::string& caption) {
    showBox(QMessageBox::NoIcon, text, caption);
}

void QtDesktop::showWarning(const std::string& text, const std::string& caption) {
    showBox(QMessageBox::Warning, text, caption);
}

std::optional<Colour> QtDesktop::chooseColour(Colour initial, CustomColours& custom) {
    for (int i = 0; i < customColourCount; ++i)
        QColorDialog::setCustomColor(i, qColour(custom[static_cast<std::size_t>(i)]));
    QColorDialog dialog(qColour(initial), owner_);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    for (int i = 0; i < customColourCount; ++i)
        custom[static_cast<std::size_t>(i)] = colourOf(QColorDialog::customColor(i));
    if (!chosen) return std::nullopt;
    return colourOf(dialog.selectedColor());
}

int QtDesktop::chooseSwatch(const SwatchColours& swatches, int marked) {
    SwatchMenu menu(swatches, marked, owner_);
    return menu.choose(QCursor::pos() - swatchMenuOffset);
}

void QtDesktop::openHelp(const std::string& path) {
    if (helpViewer_.isNull()) helpViewer_ = new HelpViewer(owner_);
    helpViewer_->showFile(QString::fromStdString(path));
    helpViewer_->show();
    helpViewer_->raise();
    helpViewer_->activateWindow();
}

void QtDesktop::showAbout() {
    AboutDialog about(owner_);
    about.exec();
}

std::string QtDesktop::executablePath() {
    return QCoreApplication::applicationFilePath().toStdString();
}

HelpViewer* QtDesktop::helpViewer() const { return helpViewer_.data(); }

}  // namespace halcyone
