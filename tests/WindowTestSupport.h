// The window under test: built from the real template with a scripted desktop and a scripted
// music service, on Qt's offscreen platform.
#pragma once

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>

#include "compose/AppState.h"
#include "playback/Playback.h"
#include "testing/ScopedHosts.h"
#include "testing/ScriptedDesktop.h"
#include "testing/ScriptedMusicService.h"
#include "ui/ClientArea.h"
#include "ui/MainWindow.h"
#include "ui/Startup.h"

namespace halcyone::testing {

// Mouse events as the window system delivers them: through the widget's top-level window, so
// that Qt's record of the buttons held down follows them as it does for a real mouse.
inline QPoint inWindow(QWidget* w, QPoint at) { return w->mapTo(w->window(), at); }
inline void pressMouse(QWidget* w, QPoint at) {
    QTest::mousePress(w->window()->windowHandle(), Qt::LeftButton, {}, inWindow(w, at));
}
inline void releaseMouse(QWidget* w, QPoint at) {
    QTest::mouseRelease(w->window()->windowHandle(), Qt::LeftButton, {}, inWindow(w, at));
}
inline void clickMouse(QWidget* w, QPoint at) {
    pressMouse(w, at);
    releaseMouse(w, at);
}
inline void clickMouse(QWidget* w) { clickMouse(w, w->rect().center()); }

inline std::vector<char> fileBytes(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the menu item captioned `text` (mnemonic marks included), as a click on it does.
inline void chooseMenuItem(QMainWindow* window, const QString& text) {
    for (QAction* menu : window->menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            if (item->text() == text) return item->trigger();
    QFAIL(qPrintable("no menu item " + text));
}

// Runs `act` on the pop-up or modal window once one is up, while the call that opens it waits.
inline void whenShown(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        QWidget* shown = QApplication::activePopupWidget();
        if (shown == nullptr) shown = QApplication::activeModalWidget();
        if (shown == nullptr) return;
        poll->stop();
        poll->deleteLater();
        act(shown);
    });
    poll->start();
}

class WindowUnderTest {
public:
    WindowUnderTest() {
        resetAppState();
        resetPlayback();
        script->ports = {scriptedOutputPort("Synth", 0, true)};
    }
    ~WindowUnderTest() {
        window.reset();
        resetPlayback();
        installControlHost(nullptr);
    }

    // Creates, initialises and shows the window, active as after a click into it.
    MainWindow* startShown() {
        MainWindow* shown = start();
        if (shown == nullptr) return nullptr;
        shown->show();
        shown->activateWindow();
        return QTest::qWaitForWindowActive(shown) ? shown : nullptr;
    }

    // Creates and initialises the window; nothing when the program would end instead.
    MainWindow* start() {
        playbackState.serviceFactory = ScriptedMusicService::factory(script);
        auto created = createMainWindow(mainDialogTemplate);
        if (auto* made = std::get_if<std::unique_ptr<MainWindow>>(&created)) window = std::move(*made);
        else exitCode = std::get<int>(created);
        return window.get();
    }

    template <class Widget>
    Widget* control(ControlId id) const {
        return qobject_cast<Widget*>(window->control(id));
    }

    ScriptedDesktop desk;
    ScopedDesktop desktopScope{desk};
    std::shared_ptr<ScriptedMusicService::Script> script =
        std::make_shared<ScriptedMusicService::Script>();
    std::unique_ptr<MainWindow> window;
    int exitCode = -1;
};

}  // namespace halcyone::testing
