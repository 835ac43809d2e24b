// HostIsBusy from the kernel's figures in /proc.
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/host_load.h"

namespace platform {
namespace {

std::string ReadSmallFile(const char* path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

bool HostIsBusy() {
    if (const auto pressure = PressureAvg10(ReadSmallFile("/proc/pressure/cpu")))
        return *pressure >= kBusyPressurePercent;
    // The count includes the caller, which is running as it asks.
    const long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
    const auto runnable = RunnableTasks(ReadSmallFile("/proc/loadavg"));
    return runnable && cores > 0 && *runnable > 2 * cores;
}

}  // namespace platform
