#include "cli/line/port_table.h"

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kRedraw = std::chrono::milliseconds(100);

}  // namespace

PortTable::PortTable(Style style, bool repeat, const std::vector<std::string>& ports,
                     std::FILE* out, std::FILE* err)
    : style_(style), repeat_(repeat), out_(out), err_(err), json_(ports.size()) {
    for (const std::string& port : ports) {
        states_.emplace_back();
        states_.back().port = port;
    }
    dirty_ = style_ == Style::Terminal;
}

void PortTable::Line(std::size_t index, const std::string& line) {
    if (style_ == Style::Json) {
        // Board after board, each board's record as it comes; a single job's at the end, in
        // port order.
        if (repeat_) {
            std::fprintf(out_, "%s\n", line.c_str());
            std::fflush(out_);
        } else {
            json_[index].push_back(line);
        }
        return;
    }
    const auto event = ParseProgress(line);
    if (!event)
        return;
    if (const auto print = ApplyEvent(states_[index], index, *event))
        Print(*print);
    dirty_ = style_ == Style::Terminal;
}

void PortTable::Print(const PrintLine& line) {
    const bool shown = line.kind == PrintLine::Kind::Message ||
                       (line.kind == PrintLine::Kind::Board) ||
                       (line.kind == PrintLine::Kind::Progress && style_ == Style::Plain);
    if (!shown)
        return;
    Erase();
    std::FILE* to = line.kind == PrintLine::Kind::Message ? err_ : out_;
    std::fflush(out_);
    std::fprintf(to, "%s\n", line.text.c_str());
    std::fflush(to);
}

void PortTable::Erase() {
    if (drawnLines_ == 0)
        return;
    std::fprintf(out_, "\033[%dA\r\033[J", drawnLines_);
    drawnLines_ = 0;
    dirty_ = true;
}

std::optional<std::chrono::milliseconds> PortTable::Draw() {
    if (!dirty_)
        return std::nullopt;
    const auto now = Clock::now();
    if (now - lastDraw_ < kRedraw && drawnLines_ > 0)
        return std::chrono::ceil<std::chrono::milliseconds>(lastDraw_ + kRedraw - now);
    Erase();
    std::fprintf(out_, "%-24s%s  %-13s %5s  %s\n", "PORT", repeat_ ? " BOARD" : "", "PHASE", "DONE",
                 "RATE");
    for (std::size_t i = 0; i < states_.size(); ++i)
        std::fprintf(out_, "%s\n", TableRow(states_[i], i, repeat_).c_str());
    std::fflush(out_);
    drawnLines_ = static_cast<int>(states_.size()) + 1;
    lastDraw_ = now;
    dirty_ = false;
    return std::nullopt;
}

void PortTable::Finish(const std::vector<int>& statuses) {
    Erase();
    for (std::size_t i = 0; i < states_.size(); ++i) {
        if (style_ == Style::Json) {
            for (const std::string& line : json_[i])
                std::fprintf(out_, "%s\n", line.c_str());
        } else {
            std::fprintf(out_, "%s\n", FinalLine(states_[i], i, statuses[i], repeat_).c_str());
        }
    }
    std::fflush(out_);
}

}  // namespace cli
