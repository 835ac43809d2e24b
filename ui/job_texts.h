// The texts the programming dialog shows for a job's results.
//
// Threading: constant data.
#pragma once

#include <array>
#include <cstdint>

namespace ui {

// Result code -> message-box text; null: no box (10: the start failure already showed its own).
inline constexpr std::array<const char*, 15> kResultTexts{
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
    nullptr,
    "Checksum link failed",
    "Checksum numbers failed",
    "Checksum sync failed",
    "Checksum Compare failed",
};

constexpr const char* ResultText(std::uint16_t code) {
    return code < kResultTexts.size() ? kResultTexts[code] : nullptr;
}

// The posted result of a job that failed to start: the result flag with code 10.
inline constexpr std::intptr_t kStartFailedLParam = 0xA0001;

}  // namespace ui
