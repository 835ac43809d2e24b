// Raising the calling thread's priority, as each platform does it. Internal to thread.cpp.
//
// Threading: acts on the calling thread only.
#pragma once

namespace platform {

// Best effort: a process that may not raise a priority keeps the normal one.
void RaiseThisThreadPriority();

}  // namespace platform
