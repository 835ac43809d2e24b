#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

void RaiseThisThreadPriority() {
    // An unprivileged process may not raise its priority, and that is fine.
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    (void)::setpriority(PRIO_PROCESS, tid, -2);
}

}  // namespace platform
