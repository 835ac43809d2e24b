// The texts shown for a job's result codes.
//
// Threading: constant data.
#pragma once

#include <array>
#include <cstdint>

// Result code -> text; null for codes that have none (kResultStartFailed: a start failure has
// already shown its own message; 15 and above).
inline constexpr std::array<const char*, 15> kJobResultTexts{
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

constexpr const char* JobResultText(std::uint16_t code) {
    return code < kJobResultTexts.size() ? kJobResultTexts[code] : nullptr;
}
