// The help viewer: the guide in a window of its own, with Back, Forward, Contents and Close.
// It opens at the guide's start, where its contents are; Escape and Ctrl+W close it.
#pragma once

#include <QUrl>
#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace halcyone {

class HelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* owner);

    // Shows the HTML file at `path` from its start, or a page that says why it can't.
    void showFile(const QString& path);

    QTextBrowser* browser() const { return browser_; }
    QPushButton* backButton() const { return back_; }
    QPushButton* forwardButton() const { return forward_; }
    QPushButton* contentsButton() const { return contents_; }
    QPushButton* closeButton() const { return close_; }

private:
    void showProblem(const QString& path, const QString& reason);
    void showContents();

    QTextBrowser* browser_;
    QPushButton* back_;
    QPushButton* forward_;
    QPushButton* contents_;
    QPushButton* close_;
    QUrl contentsUrl_;  // the guide's start, where its contents are
};

}  // namespace halcyone
