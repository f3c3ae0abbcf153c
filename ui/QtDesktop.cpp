#include "ui/QtDesktop.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QCursor>
#include <QFileDialog>
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

std::optional<std::string> QtDesktop::askSaveFileName(const FileDialogSpec& spec) {
    QFileDialog dialog(owner_);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromStdString(spec.description));
    dialog.setDefaultSuffix(QString::fromStdString(spec.defaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
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
