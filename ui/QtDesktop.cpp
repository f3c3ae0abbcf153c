#include "ui/QtDesktop.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QTextBrowser>
#include <QWidgetAction>

#include <cerrno>
#include <cstring>

#include "compose/PreviewImage.h"
#include "ui/AboutDialog.h"

namespace halcyone {

namespace {

constexpr QPoint swatchMenuOffset(75, 100);  // the menu's centre lies left of and above the cursor
constexpr int swatchMargin = 2;
constexpr QSize helpViewerSize(680, 600);

QColor qColourOf(Colour c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }
Colour colourOf(const QColor& c) { return makeColour(c.red(), c.green(), c.blue()); }

// One item of the swatch menu: the swatch itself, framed while the mouse is over it.
class SwatchItem : public QWidget {
public:
    SwatchItem(Colour colour, QWidgetAction* action)
        : colour_(colour), action_(action) {
        setFixedSize(paletteSwatchWidth + 2 * swatchMargin, paletteSwatchHeight + 2 * swatchMargin);
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (underMouse()) painter.fillRect(rect(), palette().highlight());
        painter.fillRect(swatchMargin, swatchMargin, paletteSwatchWidth, paletteSwatchHeight, qColourOf(colour_));
    }
    void enterEvent(QEnterEvent*) override { update(); }
    void leaveEvent(QEvent*) override { update(); }
    void mouseReleaseEvent(QMouseEvent*) override { action_->trigger(); }

private:
    Colour colour_;
    QWidgetAction* action_;
};

QString helpProblemPage(const QString& path, const QString& reason) {
    return QStringLiteral("<h2>No help</h2><p>The help file <code>%1</code> can't be shown: %2.</p>")
        .arg(path.toHtmlEscaped(), reason.toHtmlEscaped());
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
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
}

std::optional<Colour> QtDesktop::chooseColour(Colour initial, CustomColours& custom) {
    for (int i = 0; i < customColourCount; ++i)
        QColorDialog::setCustomColor(i, qColourOf(custom[static_cast<std::size_t>(i)]));
    QColorDialog dialog(qColourOf(initial), owner_);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    for (int i = 0; i < customColourCount; ++i)
        custom[static_cast<std::size_t>(i)] = colourOf(QColorDialog::customColor(i));
    if (!chosen) return std::nullopt;
    return colourOf(dialog.selectedColor());
}

int QtDesktop::chooseSwatch(const SwatchColours& swatches) {
    QMenu menu(owner_);
    for (std::size_t i = 0; i < swatches.size(); ++i) {
        auto* action = new QWidgetAction(&menu);
        action->setDefaultWidget(new SwatchItem(swatches[i], action));
        action->setData(static_cast<int>(i) + 1);
        menu.addAction(action);
    }
    const QPoint centre = QCursor::pos() - swatchMenuOffset;
    const QAction* chosen =
        menu.exec(QPoint(centre.x() - menu.sizeHint().width() / 2, centre.y()));
    return chosen ? chosen->data().toInt() : 0;
}

void QtDesktop::openHelp(const std::string& path) {
    auto* viewer = qobject_cast<QTextBrowser*>(helpViewer_.data());
    if (viewer == nullptr) {
        viewer = new QTextBrowser(owner_);
        viewer->setWindowFlag(Qt::Window);
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        viewer->setWindowTitle(QStringLiteral("Halcyone Help"));
        viewer->setOpenExternalLinks(true);
        viewer->resize(helpViewerSize);
        helpViewer_ = viewer;
    }
    const QString file = QString::fromStdString(path);
    QFile probe(file);
    if (path.empty()) {
        viewer->setHtml(helpProblemPage(file, QStringLiteral("the program can't tell where it is")));
    } else if (!probe.open(QIODevice::ReadOnly)) {
        viewer->setHtml(helpProblemPage(file, probe.errorString()));
    } else {
        viewer->setSource(QUrl::fromLocalFile(file), QTextDocument::HtmlResource);
    }
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
}

void QtDesktop::showAbout() {
    AboutDialog about(owner_);
    about.exec();
}

std::string QtDesktop::executablePath() {
    return QCoreApplication::applicationFilePath().toStdString();
}

QWidget* QtDesktop::helpViewer() const { return helpViewer_.data(); }

}  // namespace halcyone
