#include "ui/HelpViewer.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace halcyone {

namespace {
constexpr QSize viewerSize(680, 600);
}  // namespace

HelpViewer::HelpViewer(QWidget* owner) : QWidget(owner, Qt::Window) {
    setWindowTitle(QStringLiteral("Halcyone Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(viewerSize);

    back_ = new QPushButton(QStringLiteral("&Back"), this);
    forward_ = new QPushButton(QStringLiteral("&Forward"), this);
    contents_ = new QPushButton(QStringLiteral("&Contents"), this);
    close_ = new QPushButton(QStringLiteral("Close"), this);
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {back_, forward_, contents_}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);

    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(contents_, &QPushButton::clicked, this, &HelpViewer::showContents);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QWidget::setEnabled);
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
    connect(new QShortcut(QKeySequence::Back, this), &QShortcut::activated, browser_, &QTextBrowser::backward);
    connect(new QShortcut(QKeySequence::Forward, this), &QShortcut::activated, browser_, &QTextBrowser::forward);
}

void HelpViewer::showFile(const QString& path) {
    QFile probe(path);
    if (path.isEmpty()) return showProblem(path, QStringLiteral("the program can't tell where it is"));
    if (!probe.open(QIODevice::ReadOnly)) return showProblem(path, probe.errorString());
    contentsUrl_ = QUrl::fromLocalFile(path);
    browser_->setSource(contentsUrl_, QTextDocument::HtmlResource);
    browser_->clearHistory();
    showContents();
}

void HelpViewer::showContents() {
    if (contentsUrl_.isValid() && browser_->source() != contentsUrl_) browser_->setSource(contentsUrl_);
    browser_->verticalScrollBar()->setValue(0);
}

void HelpViewer::showProblem(const QString& path, const QString& reason) {
    contentsUrl_.clear();
    browser_->clearHistory();
    browser_->setHtml(QStringLiteral("<h2>No help</h2><p>The help file <code>%1</code> can't be shown: %2.</p>")
                          .arg(path.toHtmlEscaped(), reason.toHtmlEscaped()));
}

}  // namespace halcyone
