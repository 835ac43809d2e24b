#include "platform/thread_priority.h"

#include <windows.h>

namespace platform {

void RaiseThisThreadPriority() {
    (void)::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
}

}  // namespace platform
