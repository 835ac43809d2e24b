// The Win32 event object inside an Event, for the calls that take one: the comm device binds it
// to a real OVERLAPPED record, so the driver signals the Event itself when an operation ends.
//
// Threading: the handle lives as long as the Event; any thread may use it.
#pragma once

#include "platform/event.h"

namespace platform {

// The event's HANDLE.
void* NativeEventHandle(Event& event);

}  // namespace platform
