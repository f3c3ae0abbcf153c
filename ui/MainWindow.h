// The main window: built from the dialog template, it owns the controls and the two pictures,
// and turns every notice of a control, menu item or mouse click into one call of the program.
#pragma once

#include <QMainWindow>

#include <string>

#include "platform/ControlIds.h"
#include "ui/DialogTemplate.h"
#include "ui/QtControlHost.h"

class QButtonGroup;
class QKeyEvent;
class QPushButton;

namespace halcyone {

class ClientArea;
struct FileResult;

class MainWindow : public QMainWindow, public WindowPictures {
    Q_OBJECT
public:
    // Builds the widgets, lists empty, and installs the window as the control host.
    explicit MainWindow(const DialogTemplate& dialog);
    ~MainWindow() override;

    // The window's initialisation, in order: random seed, idle playback, start colour and
    // preview, channel 1, up-downs, lists, progress bar, the player, the "Midi device" list,
    // the palette and channel 1's settings. False (after its message) when the player can't
    // be set up: the program then ends without showing the window.
    bool initialise();

    QtControlHost& controls() { return controls_; }
    ClientArea& client() { return *client_; }
    QWidget* control(ControlId id) const { return controls_.widget(id); }
    bool isComposing() const { return composing_; }

    // What a button, a check box, a menu item or the dialog manager's OK command does.
    void command(int id);

    // Loads the set-up at `path` exactly as "Load preferences..." loads a chosen file: the same
    // message when it can't, and nothing changed then. For a file named on the command line
    // or dropped on the window.
    void loadSetUpFrom(const std::string& path);

    void setPreview(const QImage& preview) override;
    void showKeys(const KeySelection& keys) override;
    void invalidate() override;

signals:
    // Compose has finished (or stopped), for tests that watch it.
    void composeFinished();
    // Compose has started and shut the window to input, for tests that act meanwhile.
    void composeStarted();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* createControl(const ControlTemplate& spec);
    QWidget* createButton(const ControlTemplate& spec);
    QWidget* createLabel(const ControlTemplate& spec);
    QWidget* createCheckBox(const ControlTemplate& spec);
    void setFocusPolicyOf(QWidget* widget, const ControlTemplate& spec);
    void connectControl(const ControlTemplate& spec, QWidget* widget);
    void buildMenu(const DialogTemplate& dialog);
    void setTabOrder(const std::vector<QWidget*>& order);
    void fitDataTexts();
    void addViewHistoryKeys();
    bool fieldLeavesHistoryKey(QObject* watched, const QKeyEvent& key) const;
    void moveDefaultLook(QWidget* focused);

    void quit();
    void compose();
    void play();
    void loadSetUp();
    void showLoadResult(const FileResult& loaded);
    void openHelp();
    void listPicked(ControlId list);
    void scroll(ControlId bar, bool back);
    void keyboardClick(QPoint position);

    QtControlHost controls_;
    ClientArea* client_ = nullptr;
    QButtonGroup* channelButtons_ = nullptr;
    // Push buttons that wear the default-button frame when they have the focus; the first
    // default button of the template wears it while the focus is elsewhere.
    std::vector<QPushButton*> pushButtons_;
    QPushButton* homeDefault_ = nullptr;
    bool composing_ = false;
    bool stopRequested_ = false;  // Escape or the close box during a Compose
    bool closeRequested_ = false;
};

}  // namespace halcyone
