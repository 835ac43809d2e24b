#include "cli/job/job_view.h"

#include <algorithm>
#include <cstdio>

#include "job/result_texts.h"

namespace cli {

const char* PhaseText(Phase phase) {
    switch (phase) {
        case Phase::Starting:
            return "Starting";
        case Phase::WaitLink:
            return "Wait Link";
        case Phase::Erase:
            return "Erase /Blank";
        case Phase::Write:
            return "Writing";
        case Phase::Checksum:
            return "Burn CheckSum";
        case Phase::Done:
            return "Done";
    }
    return "";
}

double WriteRate(const JobView& view, std::chrono::steady_clock::time_point now) {
    if (view.phase != Phase::Write || view.position <= 0)
        return 0;
    const double seconds = std::chrono::duration<double>(now - view.writeStarted).count();
    return double(view.position) / std::max(seconds, 1e-3);
}

std::uint32_t TransferredBytes(const JobView& view, int code) {
    if (code == 0 || view.phase == Phase::Checksum)
        return view.fileSize;
    return static_cast<std::uint32_t>(view.phase == Phase::Write ? view.position : 0);
}

std::string LoaderText(const JobView& view) {
    char text[64];
    std::snprintf(text, sizeof text, "LD Ver: V%04X-%c-%d", view.loaderVersion.value_or(0),
                  view.loaderLetter, view.packetSize);
    return text;
}

const char* ResultText(int code) {
    if (code == 10)
        return "Job did not start";
    if (code == 130)
        return "Interrupted";
    const char* text =
        code >= 0 && code <= 0xFFFF ? JobResultText(static_cast<std::uint16_t>(code)) : nullptr;
    return text ? text : "Unknown result";
}

}  // namespace cli
