#include "cli/line/port_state.h"

#include <algorithm>
#include <cstdio>

namespace cli {
namespace {

using Kind = PrintLine::Kind;

std::string Format(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string WaitingText(const PortState& s) {
    return s.previousPresent ? "remove board " + std::to_string(s.board - 1)
                             : "waiting for board " + std::to_string(s.board);
}

std::string ChecksumText(const PortState& s) {
    return s.checksum ? Format("%04X", *s.checksum) : std::string("----");
}

std::optional<PrintLine> Waiting(PortState& s, std::size_t index, const ProgressEvent& e) {
    const int board = static_cast<int>(e.n[0]);
    const bool present = e.n[1] != 0;
    const bool changed = !s.waiting || s.board != board || s.previousPresent != present;
    s.waiting = true;
    s.board = board;
    s.previousPresent = present;
    if (!changed)
        return std::nullopt;
    return PrintLine{PortLabel(s, index) + ": " + WaitingText(s), Kind::Progress};
}

std::optional<PrintLine> Progress(PortState& s, std::size_t index, const ProgressEvent& e) {
    const bool changed = s.phase != e.phase || s.waiting;
    s.waiting = false;
    s.phase = e.phase;
    s.position = e.n[0];
    s.total = e.n[1];
    s.rate = e.n[2];
    if (!changed)
        return std::nullopt;
    return PrintLine{PortLabel(s, index) + ": " + PhaseText(s.phase), Kind::Progress};
}

}  // namespace

std::string PortLabel(const PortState& s, std::size_t index) {
    return "port " + std::to_string(index + 1) + " " + s.port;
}

std::optional<PrintLine> ApplyEvent(PortState& s, std::size_t index, const ProgressEvent& e) {
    using Type = ProgressEvent::Type;
    const std::string label = PortLabel(s, index) + ": ";
    switch (e.type) {
        case Type::Progress:
            return Progress(s, index, e);
        case Type::Waiting:
            return Waiting(s, index, e);
        case Type::Loader:
            return PrintLine{label + e.text, Kind::Progress};
        case Type::Checksum:
            s.checksum = static_cast<std::uint16_t>(e.n[0]);
            return std::nullopt;
        case Type::Serial:
            s.serial = e.text;
            return std::nullopt;
        case Type::Attempt: {
            const int board = static_cast<int>(e.n[0]);
            return PrintLine{label + (board > 0 ? "board " + std::to_string(board) + ": " : "") +
                                 ResultText(static_cast<int>(e.n[2])) + " on attempt " +
                                 std::to_string(e.n[1]) + "; again from the link",
                             Kind::Board};
        }
        case Type::Message:
            return PrintLine{"kven-cli: " + label + e.text, Kind::Message};
        case Type::Hint:
            return PrintLine{"  hint: " + e.text, Kind::Message};
        case Type::Board: {
            const int code = static_cast<int>(e.n[1]);
            s.tally.Add(code);
            const double seconds = static_cast<double>(e.n[3]) / 1000;
            return PrintLine{
                label + BoardLine(static_cast<int>(e.n[0]), code, seconds, s.checksum, s.serial),
                Kind::Board};
        }
        case Type::Result:
            s.code = static_cast<int>(e.n[0]);
            s.bytes = static_cast<std::uint32_t>(e.n[1]);
            s.seconds = static_cast<double>(e.n[2]) / 1000;
            s.phase = Phase::Done;
            return std::nullopt;
    }
    return std::nullopt;
}

std::string TableRow(const PortState& s, std::size_t index, bool repeat) {
    std::string row = Format("%-24s", (std::to_string(index + 1) + " " + s.port).c_str());
    if (repeat)
        row += Format(" %5d", s.board);
    if (s.code) {
        return row + "  " + ResultText(*s.code);
    }
    if (s.waiting) {
        return row + "  " + WaitingText(s);
    }
    row += Format("  %-13s", PhaseText(s.phase));
    const auto percent = s.total > 0 ? std::clamp<std::int64_t>(100 * s.position / s.total, 0, 100)
                                     : std::int64_t{-1};
    row += percent < 0 ? std::string(6, ' ') : Format(" %4d%%", static_cast<int>(percent));
    if (s.rate > 0)
        row += Format("  %.1f KiB/s", static_cast<double>(s.rate) / 1024);
    return row;
}

std::string FinalLine(const PortState& s, std::size_t index, int status, bool repeat) {
    const std::string label = PortLabel(s, index) + ": ";
    if (repeat) {
        std::string line = label + s.tally.Text();
        if (status != s.tally.ExitCode())
            line += Format("; %s (exit status %d)", ResultText(status), status);
        return line;
    }
    if (!s.code || *s.code != status) {
        return label + Format("%s (exit status %d)", ResultText(status), status);
    }
    if (status == 10)
        return label + ResultText(status);
    const double kib = static_cast<double>(s.bytes) / 1024 / std::max(s.seconds, 1e-3);
    std::string line =
        label + Format("%s  %u bytes in %.2f s, %.1f KiB/s  CheckSum: %s", ResultText(status),
                       s.bytes, s.seconds, kib, ChecksumText(s).c_str());
    return s.serial.empty() ? line : line + "  Serial: " + s.serial;
}

}  // namespace cli
