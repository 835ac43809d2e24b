// The texts the programming dialog shows for a job: its progress and its results.
//
// Threading: the constants are constant data; the formatting functions may be called from
// any thread (they build plain strings).
#pragma once

#include <QChar>
#include <QString>
#include <cstdint>

#include "job/result_texts.h"

namespace ui {

// Status texts, in the status box.
inline constexpr const char* kTextEraseBlank = "Erase /Blank";
inline constexpr const char* kTextWaitLink = "Wait Link";
inline constexpr const char* kTextBurnChecksum = "Burn CheckSum";

// "%8d/%8d": the write position of the total, each right-aligned in 8 characters.
QString PositionText(std::int32_t position, std::int32_t total);
// "LD Ver: V%04X-%C-%d": the loader's version word, identification letter and packet size.
QString VersionText(std::uint16_t version, QChar letter, std::uint16_t packetSize);
// "CheckSum: %04X": the image's 16-bit checksum.
QString ChecksumText(std::uint16_t checksum);

// Result code -> message-box text; null: no box (kResultStartFailed: the start failure
// already showed its own).
constexpr const char* ResultText(std::uint16_t code) {
    return JobResultText(code);
}

}  // namespace ui
