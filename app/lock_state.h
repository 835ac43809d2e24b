// The state of the Caps, Num and Scroll Lock keys, where the platform can tell it: on X11
// from the keyboard's indicators (XKB). Elsewhere (Wayland, the offscreen platform, a build
// without Xlib) nothing is known until the keys are pressed.
//
// Threading: GUI thread (the platform's display connection).
#pragma once

#include <array>
#include <optional>

using LockStates = std::array<bool, 3>;  // Caps, Num, Scroll

std::optional<LockStates> QueryLockStates();
