// The texts the programming dialog shows for a job: its progress and its results, in UTF-8.
//
// Threading: constant data and pure functions; any thread.
#pragma once

#include <cstdint>
#include <string>

#include "job/result_texts.h"

namespace ui {

// Status texts, in the status box.
inline constexpr const char* kTextEraseBlank = "Erase /Blank";
inline constexpr const char* kTextWaitLink = "Wait Link";
inline constexpr const char* kTextBurnChecksum = "Burn CheckSum";

// The version and checksum texts before the first job.
inline constexpr const char* kTextLdVer = "LD Ver:";
inline constexpr const char* kTextCheckSum = "CheckSum:";

// "%8d/%8d": the write position of the total, each right-aligned in 8 characters.
std::string PositionText(std::int32_t position, std::int32_t total);
// "LD Ver: V%04X-%C-%d": the loader's version word, identification letter (a UTF-16 code
// unit; NUL shows nothing, a lone surrogate U+FFFD) and packet size.
std::string VersionText(std::uint16_t version, std::uint16_t letter, std::uint16_t packetSize);
// "CheckSum: %04X": the image's 16-bit checksum.
std::string ChecksumText(std::uint16_t checksum);

// Result code -> message-box text; null: no box (kResultStartFailed: the start failure
// already showed its own).
constexpr const char* ResultText(std::uint16_t code) {
    return JobResultText(code);
}

}  // namespace ui
