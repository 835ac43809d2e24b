#include "cli/job/line_sequence.h"

#include <array>
#include <cctype>
#include <charconv>
#include <utility>

#include "platform/comm_device.h"

namespace cli {
namespace {

using platform::LineFunction;

constexpr std::array<std::pair<std::string_view, LineFunction>, 4> kLines{{
    {"dtr", LineFunction::SetDtr},
    {"-dtr", LineFunction::ClearDtr},
    {"rts", LineFunction::SetRts},
    {"-rts", LineFunction::ClearRts},
}};

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::optional<LineStep> ParseStep(std::string_view token) {
    const std::string word = Lower(token);
    for (const auto& [name, function] : kLines) {
        if (word == name)
            return LineStep{function, {}};
    }
    const std::string_view digits = std::string_view(word).substr(
        0, word.ends_with("ms") ? word.size() - 2 : std::string_view::npos);
    if (!word.ends_with("ms") || digits.empty())
        return std::nullopt;
    long long ms = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), ms);
    if (ec != std::errc() || end != digits.data() + digits.size() || ms < 1 ||
        ms > kLongestPause.count())
        return std::nullopt;
    return LineStep{std::nullopt, std::chrono::milliseconds(ms)};
}

const char* LineName(LineFunction f) {
    return f == LineFunction::SetDtr || f == LineFunction::ClearDtr ? "DTR" : "RTS";
}

}  // namespace

std::optional<LineSequence> ParseLineSequence(std::string_view text, std::string* error) {
    LineSequence sequence;
    for (;;) {
        const auto comma = text.find(',');
        const std::string_view token = Trim(text.substr(0, comma));
        const auto step = ParseStep(token);
        if (!step) {
            *error = "'" + std::string(token) +
                     "' is no step: use dtr, -dtr, rts, -rts or a pause of 1ms to " +
                     std::to_string(kLongestPause.count()) + "ms, separated by commas";
            return std::nullopt;
        }
        sequence.push_back(*step);
        if (comma == std::string_view::npos)
            return sequence;
        text.remove_prefix(comma + 1);
    }
}

std::string StepText(const LineStep& step) {
    if (!step.line)
        return std::to_string(step.pause.count()) + "ms";
    for (const auto& [name, function] : kLines) {
        if (function == *step.line)
            return std::string(name);
    }
    return "?";
}

LineSequenceResult RunLineSequence(const LineSequence& sequence, CSerialPort& port,
                                   const std::function<bool(std::chrono::milliseconds)>& pause) {
    using Outcome = LineSequenceResult::Outcome;
    for (const LineStep& step : sequence) {
        if (!step.line) {
            if (!pause(step.pause))
                return {Outcome::Interrupted, {}, {}};
            continue;
        }
        const DWORD error = port.EscapeCommFunction(*step.line);
        if (error == platform::ERROR_SUCCESS)
            continue;
        const bool raise = *step.line == LineFunction::SetDtr || *step.line == LineFunction::SetRts;
        std::string message = std::string("Could not ") + (raise ? "raise " : "drop ") +
                              LineName(*step.line) + " on the port";
        std::string details =
            error == platform::ERROR_NOT_SUPPORTED
                ? "the device has no modem lines (a pseudo-terminal has none), so it cannot "
                  "reset the target"
                : "the driver refused it (error " + std::to_string(error) + ")";
        return {Outcome::Refused, std::move(message), std::move(details)};
    }
    return {};
}

}  // namespace cli
