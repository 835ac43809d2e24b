#include "cli/job_view.h"

#include <cstdio>

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

std::string LoaderText(const JobView& view) {
    char text[64];
    std::snprintf(text, sizeof text, "LD Ver: V%04X-%c-%d", view.loaderVersion.value_or(0),
                  view.loaderLetter, view.packetSize);
    return text;
}

const char* ResultText(int code) {
    static constexpr const char* kTexts[] = {
        "Writing is OK",
        "Write failed",
        "Time out",
        "Verify failed",
        "Get LD version failed",
        "Chip erase failed",
        "Link failed",
        "Set file length failed",
        "Write sync failed",
        "Wait end code failed",
        "Job did not start",
        "Checksum link failed",
        "Checksum numbers failed",
        "Checksum sync failed",
        "Checksum Compare failed",
    };
    if (code >= 0 && code < static_cast<int>(std::size(kTexts)))
        return kTexts[code];
    return "Unknown result";
}

}  // namespace cli
