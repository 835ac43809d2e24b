#include "sim/session_result.h"

#include <array>
#include <cstdio>

namespace sim {

namespace {

constexpr std::array<std::string_view, 11> kPhaseNames{
    "WaitLink",  "Linked",   "Erasing",     "Erased",   "LengthEchoed", "Image",
    "ImageDone", "SumReady", "CountEchoed", "Checksum", "Complete"};

constexpr std::array<std::string_view, 7> kEndingNames{"Complete", "Faulted", "HungUp", "Idle",
                                                       "Resync",   "Stopped", "Broken"};

}  // namespace

std::string_view ModeName(Mode mode) {
    return mode == Mode::Program ? "Program" : "EepSum";
}

std::string_view PhaseName(Phase phase) {
    return kPhaseNames.at(static_cast<std::size_t>(phase));
}

std::string_view EndingName(Ending ending) {
    return kEndingNames.at(static_cast<std::size_t>(ending));
}

std::string Summary(const SessionResult& r) {
    const double seconds = std::chrono::duration<double>(r.elapsed).count();
    std::array<char, 64> wire{};
    if (r.wireSeconds > 0) {
        std::snprintf(wire.data(), wire.size(), "%.3f s", r.wireSeconds);
    } else {
        std::snprintf(wire.data(), wire.size(), "- (unpaced)");
    }
    std::array<char, 256> line{};
    std::snprintf(line.data(), line.size(),
                  "%s %s at %s: in %llu B, out %llu B, packets %u+%u, wire %s, took %.3f s",
                  std::string(ModeName(r.mode)).c_str(), std::string(EndingName(r.ending)).c_str(),
                  std::string(PhaseName(r.phase)).c_str(),
                  static_cast<unsigned long long>(r.bytesIn),
                  static_cast<unsigned long long>(r.bytesOut), r.imagePackets, r.sumPackets,
                  wire.data(), seconds);
    std::string text = line.data();
    const double last = std::chrono::duration<double>(r.lastByte.time_since_epoch()).count();
    std::snprintf(line.data(), line.size(), ", last byte at %.6f", last);
    text += line.data();
    if (r.fault) {
        text += " (fault " + FormatFault(*r.fault) + ")";
    }
    return text;
}

}  // namespace sim
