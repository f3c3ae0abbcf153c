// The window under test: built from the real template with a scripted desktop and a scripted
// music service, on Qt's offscreen platform.
#pragma once

#include <QtTest>

#include <memory>

#include "compose/AppState.h"
#include "playback/Playback.h"
#include "testing/ScopedHosts.h"
#include "testing/ScriptedDesktop.h"
#include "testing/ScriptedMusicService.h"
#include "ui/ClientArea.h"
#include "ui/MainWindow.h"
#include "ui/Startup.h"

namespace halcyone::testing {

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
