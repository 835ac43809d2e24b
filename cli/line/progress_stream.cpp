#include "cli/line/progress_stream.h"

#include <algorithm>
#include <charconv>

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::array<std::pair<Phase, std::string_view>, 6> kPhaseTokens{{
    {Phase::Starting, "starting"},
    {Phase::WaitLink, "wait-link"},
    {Phase::Erase, "erase"},
    {Phase::Write, "write"},
    {Phase::Checksum, "checksum"},
    {Phase::Done, "done"},
}};

constexpr std::array<std::pair<ProgressEvent::Type, std::string_view>, 10> kTypes{{
    {ProgressEvent::Type::Progress, "progress"},
    {ProgressEvent::Type::Loader, "loader"},
    {ProgressEvent::Type::Checksum, "checksum"},
    {ProgressEvent::Type::Serial, "serial"},
    {ProgressEvent::Type::Message, "message"},
    {ProgressEvent::Type::Hint, "hint"},
    {ProgressEvent::Type::Waiting, "waiting"},
    {ProgressEvent::Type::Attempt, "attempt"},
    {ProgressEvent::Type::Board, "board"},
    {ProgressEvent::Type::Result, "result"},
}};

std::string_view PhaseToken(Phase phase) {
    for (const auto& [p, token] : kPhaseTokens) {
        if (p == phase)
            return token;
    }
    return "starting";
}

std::string_view NextWord(std::string_view& rest) {
    const auto space = rest.find(' ');
    const auto word = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view{} : rest.substr(space + 1);
    return word;
}

std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return line;
}

std::int64_t Millis(double seconds) {
    return static_cast<std::int64_t>(seconds * 1000 + 0.5);
}

}  // namespace

void ProgressStream::Line(const std::string& line) {
    std::fprintf(out_, "%s\n", line.c_str());
    std::fflush(out_);
}

void ProgressStream::OnStatus(const JobView& view, int kind) {
    if (kind == 3) {
        Line("loader " + LoaderText(view));
        return;
    }
    if (kind == 5) {
        Line("checksum " + std::to_string(view.fileChecksum.value_or(0)));
        return;
    }
    // Every phase change, and otherwise ten lines a second at most: a line per packet would
    // cost the parent more than the packet.
    const auto now = Clock::now();
    const bool finished = view.total > 0 && view.position >= view.total;
    if (view.phase == lastPhase_ && !finished &&
        now - lastProgress_ < std::chrono::milliseconds(100))
        return;
    lastPhase_ = view.phase;
    lastProgress_ = now;
    Line("progress " + std::string(PhaseToken(view.phase)) + " " + std::to_string(view.position) +
         " " + std::to_string(view.total) + " " +
         std::to_string(static_cast<std::int64_t>(WriteRate(view, now))));
}

void ProgressStream::Message(std::string_view text) {
    Line("message " + OneLine(text));
}

void ProgressStream::Hint(std::string_view text) {
    Line("hint " + OneLine(text));
}

void ProgressStream::Serial(const JobRecord& r) {
    if (r.serial)
        Line("serial " + OneLine(r.serial->text));
}

void ProgressStream::Finish(const JobRecord& r) {
    Serial(r);
    Line("result " + std::to_string(r.code) + " " + std::to_string(r.bytes) + " " +
         std::to_string(Millis(r.seconds)));
}

void ProgressStream::Waiting(int number, bool previousPresent) {
    lastPhase_ = Phase::Done;
    Line("waiting " + std::to_string(number) + (previousPresent ? " 1" : " 0"));
}

void ProgressStream::Retrying(const JobRecord& r, int) {
    lastPhase_ = Phase::Done;
    Line("attempt " + std::to_string(r.board) + " " + std::to_string(r.attempt) + " " +
         std::to_string(r.code));
}

void ProgressStream::Board(const JobRecord& r) {
    Serial(r);
    Line("board " + std::to_string(r.board) + " " + std::to_string(r.code) + " " +
         std::to_string(r.bytes) + " " + std::to_string(Millis(r.seconds)));
}

std::optional<ProgressEvent> ParseProgress(std::string_view line) {
    std::string_view rest = line;
    const std::string_view word = NextWord(rest);
    ProgressEvent event;
    const auto* type =
        std::find_if(kTypes.begin(), kTypes.end(), [&](const auto& t) { return t.second == word; });
    if (type == kTypes.end())
        return std::nullopt;
    event.type = type->first;
    using Type = ProgressEvent::Type;
    if (event.type == Type::Loader || event.type == Type::Serial || event.type == Type::Message ||
        event.type == Type::Hint) {
        event.text = std::string(rest);
        return event;
    }
    if (event.type == Type::Progress) {
        const std::string_view token = NextWord(rest);
        const auto* phase = std::find_if(kPhaseTokens.begin(), kPhaseTokens.end(),
                                         [&](const auto& p) { return p.second == token; });
        if (phase == kPhaseTokens.end())
            return std::nullopt;
        event.phase = phase->first;
    }
    for (std::size_t i = 0; !rest.empty(); ++i) {
        const std::string_view number = NextWord(rest);
        if (i >= event.n.size())
            return std::nullopt;
        const auto [end, ec] =
            std::from_chars(number.data(), number.data() + number.size(), event.n[i]);
        if (ec != std::errc() || end != number.data() + number.size())
            return std::nullopt;
    }
    return event;
}

}  // namespace cli
