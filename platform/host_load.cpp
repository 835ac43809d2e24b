#include "platform/host_load.h"

#include <unistd.h>

#include <charconv>
#include <fstream>
#include <iterator>
#include <string>

namespace platform {
namespace {

std::string ReadSmallFile(const char* path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename T>
std::optional<T> NumberAt(std::string_view text) {
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data())
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<double> PressureAvg10(std::string_view text) {
    const auto line = text.find("some ");
    if (line == std::string_view::npos)
        return std::nullopt;
    const auto field = text.find("avg10=", line);
    if (field == std::string_view::npos)
        return std::nullopt;
    return NumberAt<double>(text.substr(field + 6));
}

std::optional<int> RunnableTasks(std::string_view text) {
    const auto slash = text.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const auto start = text.rfind(' ', slash);
    return NumberAt<int>(text.substr(start == std::string_view::npos ? 0 : start + 1));
}

bool HostIsBusy() {
    if (const auto pressure = PressureAvg10(ReadSmallFile("/proc/pressure/cpu")))
        return *pressure >= kBusyPressurePercent;
    // The count includes the caller, which is running as it asks.
    const long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
    const auto runnable = RunnableTasks(ReadSmallFile("/proc/loadavg"));
    return runnable && cores > 0 && *runnable > 2 * cores;
}

}  // namespace platform
