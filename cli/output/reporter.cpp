#include "cli/output/reporter.h"

#include <algorithm>
#include <cinttypes>

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

}  // namespace

Reporter::Reporter(Style style, std::FILE* out, std::FILE* err)
    : style_(style), out_(out), err_(err) {}

void Reporter::EndLine() {
    if (lineOpen_)
        std::fputc('\n', out_);
    lineOpen_ = false;
}

void Reporter::OnStatus(const JobView& view, int kind) {
    if (style_ == Style::Quiet || style_ == Style::Json)
        return;
    if (kind == 3 || kind == 5) {
        EndLine();
        if (kind == 3) {
            std::fprintf(out_, "%s\n", LoaderText(view).c_str());
        } else {
            std::fprintf(out_, "CheckSum: %04X\n", view.fileChecksum.value_or(0));
        }
    } else if (view.phase != lastPhase_) {
        EndLine();
        lastPhase_ = view.phase;
        lastDecile_ = -1;
        if (style_ == Style::Plain)
            std::fprintf(out_, "%s\n", PhaseText(view.phase));
        DrawProgress(view, true);
    } else {
        DrawProgress(view, kind == 0 || kind == 6 || kind == 9);
    }
    std::fflush(out_);
}

void Reporter::DrawProgress(const JobView& view, bool force) {
    const double fraction =
        view.total > 0 ? std::clamp(double(view.position) / double(view.total), 0.0, 1.0) : 0.0;
    if (style_ == Style::Plain) {
        // One line per tenth, so a log shows the job moving without flooding.
        if (view.total <= 0 || view.phase == Phase::WaitLink)
            return;
        const int decile = static_cast<int>(fraction * 10);
        if (decile == lastDecile_)
            return;
        lastDecile_ = decile;
        std::fprintf(out_, "%s: %3d%% (%" PRId64 "/%" PRId64 ")\n", PhaseText(view.phase),
                     decile * 10, view.position, view.total);
        return;
    }
    // A terminal is redrawn at most ten times a second: one line per packet would cost more
    // than the packet.
    const auto now = Clock::now();
    if (!force && fraction < 1.0 && now - lastDraw_ < std::chrono::milliseconds(100))
        return;
    lastDraw_ = now;
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kWidth - filled), '.');
    const double elapsed = Seconds(now - view.started);
    std::string rate;
    if (const double bps = WriteRate(view, now); bps > 0) {
        const double eta = bps > 0 ? double(view.total - view.position) / bps : 0;
        char buf[80];
        std::snprintf(buf, sizeof buf, "  %.1f KiB/s  ETA %.1f s", bps / 1024, eta);
        rate = buf;
    }
    std::fprintf(out_, "\r\033[K%-13s [%s] %3d%%  %" PRId64 "/%" PRId64 "  %.1f s%s",
                 PhaseText(view.phase), bar.c_str(), static_cast<int>(fraction * 100),
                 view.position, view.total, elapsed, rate.c_str());
    lineOpen_ = true;
}

void Reporter::Message(std::string_view text) {
    EndLine();
    std::fflush(out_);
    std::fprintf(err_, "kven-cli: %.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(err_);
}

void Reporter::Hint(std::string_view text) {
    std::fprintf(err_, "  hint: %.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(err_);
}

void Reporter::ImageRead(const ImageInfo& info) {
    const std::string line = ImageLine(info);
    if (style_ == Style::Quiet || style_ == Style::Json || line.empty())
        return;
    EndLine();
    std::fprintf(out_, "%s\n", line.c_str());
    std::fflush(out_);
}

void Reporter::Retrying(const JobRecord& failed, int attempts) {
    if (style_ == Style::Quiet || style_ == Style::Json)
        return;
    EndLine();
    lastPhase_ = Phase::Starting;
    std::fprintf(out_, "%s (attempt %d of %d); again from the link\n", ResultText(failed.code),
                 failed.attempt, attempts);
    std::fflush(out_);
}

void Reporter::Finish(const JobRecord& record) {
    if (style_ == Style::Json) {
        std::fprintf(out_, "%s\n", RecordJson(record).c_str());
        std::fflush(out_);
        return;
    }
    EndLine();
    const int code = record.code;
    if (style_ != Style::Quiet && record.serial && code != 10)
        std::fprintf(out_, "Serial: %s\n", record.serial->text.c_str());
    if (style_ != Style::Quiet && code != 10) {
        const double seconds = std::max(record.seconds, 1e-3);
        std::fprintf(out_, "%u bytes in %.2f s, %.1f KiB/s", record.bytes, record.seconds,
                     double(record.bytes) / 1024 / seconds);
        if (record.baud > 0) {
            const double lineBytesPerSecond = record.baud / 10.0;
            std::fprintf(out_, ", %.0f%% of the line rate",
                         100.0 * double(record.bytes) / seconds / lineBytesPerSecond);
        }
        std::fputc('\n', out_);
    }
    std::fprintf(out_, "%s\n", ResultText(code));
    std::fflush(out_);
}

}  // namespace cli
