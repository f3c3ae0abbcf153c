// Installs a control host or a desktop for the lifetime of an object and restores the one
// installed before.
#pragma once

#include "platform/ControlSeam.h"
#include "platform/DesktopServices.h"

namespace halcyone {

class ScopedControlHost {
public:
    explicit ScopedControlHost(ControlHost& host) : previous_(controlHost()) {
        installControlHost(&host);
    }
    ~ScopedControlHost() { installControlHost(previous_); }
    ScopedControlHost(const ScopedControlHost&) = delete;
    ScopedControlHost& operator=(const ScopedControlHost&) = delete;

private:
    ControlHost* previous_;
};

class ScopedDesktop {
public:
    explicit ScopedDesktop(DesktopServices& d) : previous_(&desktop()) { installDesktop(&d); }
    ~ScopedDesktop() { installDesktop(previous_); }
    ScopedDesktop(const ScopedDesktop&) = delete;
    ScopedDesktop& operator=(const ScopedDesktop&) = delete;

private:
    DesktopServices* previous_;
};

}  // namespace halcyone
