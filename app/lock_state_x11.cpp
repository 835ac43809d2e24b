// The lock states from the X server's keyboard indicators, through Qt's own display
// connection. The X headers come last: their macros clash with Qt's names.
#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>

#include "app/lock_state.h"

// clang-format off
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
// clang-format on

std::optional<LockStates> QueryLockStates() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return std::nullopt;
    static constexpr const char* kIndicators[] = {"Caps Lock", "Num Lock", "Scroll Lock"};
    LockStates states{};
    for (std::size_t i = 0; i < states.size(); ++i) {
        const Atom name = XInternAtom(display, kIndicators[i], False);
        Bool on = False;
        if (!XkbGetNamedIndicator(display, name, nullptr, &on, nullptr, nullptr))
            return std::nullopt;
        states[i] = on != False;
    }
    return states;
}
