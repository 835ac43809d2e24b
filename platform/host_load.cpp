#include "platform/host_load.h"

#include <charconv>

namespace platform {
namespace {

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

}  // namespace platform
