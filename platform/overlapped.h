// Starting and finishing an overlapped operation, as every comm device does it.
//
// Threading: called by a device under the lock that guards its operations' records.
#pragma once

#include <cstddef>

#include "platform/comm_device.h"

namespace platform {

// The operation is pending: no result yet and its completion event reset.
inline void BeginOverlapped(OVERLAPPED& ov) {
    ov.Internal = ERROR_IO_PENDING;
    ov.InternalHigh = 0;
    if (ov.hEvent)
        ov.hEvent->Reset();
}

// The operation has finished with `status` after moving `bytes`: its event is signalled.
inline void CompleteOverlapped(OVERLAPPED& ov, DWORD status, std::size_t bytes) {
    ov.Internal = status;
    ov.InternalHigh = static_cast<DWORD>(bytes);
    ov.hEvent->Set();
}

}  // namespace platform
