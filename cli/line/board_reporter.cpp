#include "cli/line/board_reporter.h"

#include <algorithm>
#include <cstring>

namespace cli {

void BoardReporter::StatusLine(const std::string& text) {
    if (style_ != Style::Terminal)
        return;
    std::fprintf(out_, "\r\033[K%s", text.c_str());
    std::fflush(out_);
    statusShown_ = true;
}

void BoardReporter::ClearStatus() {
    if (statusShown_)
        std::fputs("\r\033[K", out_);
    statusShown_ = false;
}

void BoardReporter::OnStatus(const JobView& view, int /*kind*/) {
    // Ten redraws a second at most, and every phase change.
    const auto now = std::chrono::steady_clock::now();
    if (view.phase == lastPhase_ && now - lastDraw_ < std::chrono::milliseconds(100))
        return;
    lastPhase_ = view.phase;
    lastDraw_ = now;
    char text[160];
    std::snprintf(text, sizeof text, "board %d: %-13s", board_, PhaseText(view.phase));
    if (view.total > 0) {
        const auto percent = std::clamp<std::int64_t>(100 * view.position / view.total, 0, 100);
        std::snprintf(text + std::strlen(text), sizeof text - std::strlen(text), " %3d%%",
                      static_cast<int>(percent));
    }
    std::string line = text;
    if (const double rate = WriteRate(view, now); rate > 0) {
        std::snprintf(text, sizeof text, "  %.1f KiB/s", rate / 1024);
        line += text;
    }
    StatusLine(line);
}

void BoardReporter::Message(std::string_view text) {
    ClearStatus();
    std::fflush(out_);
    std::fprintf(err_, "kven-cli: %.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(err_);
}

void BoardReporter::Hint(std::string_view text) {
    std::fprintf(err_, "  hint: %.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(err_);
}

void BoardReporter::ImageRead(const ImageInfo& info) {
    std::string line = ImageLine(info);
    if (style_ == Style::Quiet || style_ == Style::Json || line.empty() || line == lastImage_)
        return;
    ClearStatus();
    std::fprintf(out_, "%s\n", line.c_str());
    std::fflush(out_);
    lastImage_ = std::move(line);
}

void BoardReporter::Waiting(int number, bool previousPresent) {
    board_ = number;
    lastPhase_ = Phase::Done;
    StatusLine(previousPresent ? "remove board " + std::to_string(number - 1)
                               : "waiting for board " + std::to_string(number));
}

void BoardReporter::Retrying(const JobRecord& failed, int attempts) {
    if (style_ == Style::Json)
        return;
    ClearStatus();
    lastPhase_ = Phase::Done;
    std::fprintf(
        out_, "%s (attempt %d of %d); again from the link\n",
        BoardLine(failed.board, failed.code, failed.seconds, failed.view.fileChecksum).c_str(),
        failed.attempt, attempts);
    std::fflush(out_);
}

void BoardReporter::Board(const JobRecord& record) {
    ClearStatus();
    if (style_ == Style::Json) {
        std::fprintf(out_, "%s\n", RecordJson(record).c_str());
    } else {
        std::fprintf(out_, "%s\n",
                     BoardLine(record.board, record.code, record.seconds, record.view.fileChecksum,
                               record.serial ? record.serial->text : std::string())
                         .c_str());
    }
    std::fflush(out_);
}

void BoardReporter::Summary(const Tally& tally, std::string_view port) {
    ClearStatus();
    const std::string text = style_ == Style::Json ? tally.Json(port) : tally.Text();
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}

}  // namespace cli
