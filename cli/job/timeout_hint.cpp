#include "cli/job/timeout_hint.h"

#include <cstdio>

#include "job/timeout_keeper.h"

namespace cli {
namespace {

const char* WorkText(OwnWork work) {
    switch (work) {
        case OwnWork::Reporting:
            return "showing the job's progress";
        case OwnWork::WritingReadBack:
            return "writing the read-back file";
        case OwnWork::WritingChecksums:
            return "writing the checksum file";
        default:
            return nullptr;
    }
}

}  // namespace

std::optional<std::string> TimeoutHint(std::uint32_t extendedMs, OwnWork heldBy, bool capped) {
    const char* work = WorkText(heldBy);
    char text[160];
    if (capped && work) {
        const auto cap =
            std::chrono::duration_cast<std::chrono::seconds>(TimeoutKeeper::kStepBudget);
        std::snprintf(text, sizeof text,
                      "the time-out ended the job: kven-cli was still %s after %lld s", work,
                      static_cast<long long>(cap.count()));
        return text;
    }
    if (extendedMs == 0)
        return std::nullopt;
    char by[32];
    if (extendedMs < 50)
        std::snprintf(by, sizeof by, "less than 0.1 s");
    else
        std::snprintf(by, sizeof by, "%.1f s", extendedMs / 1000.0);
    if (work)
        std::snprintf(text, sizeof text, "the time-out was extended by %s: kven-cli was busy %s",
                      by, work);
    else
        std::snprintf(text, sizeof text,
                      "the time-out was extended by %s: this host was too busy to hear the loader",
                      by);
    return text;
}

}  // namespace cli
