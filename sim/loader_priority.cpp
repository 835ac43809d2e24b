#include "sim/loader_priority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace sim {

LoaderPriority RaiseLoaderPriority() {
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO);
    if (::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &param) == 0)
        return LoaderPriority::RealTime;
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    for (int nice = -10; nice < 0; nice += 5) {
        if (::setpriority(PRIO_PROCESS, tid, nice) == 0)
            return LoaderPriority::Raised;
    }
    return LoaderPriority::Ordinary;
}

}  // namespace sim
