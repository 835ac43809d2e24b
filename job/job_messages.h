// The two window messages through which a job reports to its dialog, their layouts, and the
// one encoder and decoder of each: the engine builds them here, and every front end reads
// them here.
//
// Threading: constant data and pure functions.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

inline constexpr UINT WM_JOB_DONE = WM_USER + 100;
inline constexpr UINT WM_JOB_STATUS = WM_USER + 101;

// WM_JOB_STATUS kinds.
enum JobStatusKind : WORD {
    kStatusFileLength = 0,      // value fileSize
    kStatusWritePos = 1,        // value sendPos
    kStatusEraseBegun = 2,      // "Erase /Blank"
    kStatusLoaderVersion = 3,   // extra: version; value (packetSize << 16) | letter
    kStatusWaitLink = 4,        // "Wait Link"
    kStatusFileChecksum = 5,    // extra: 16-bit file checksum
    kStatusEraseRange = 6,      // value eraseTicks
    kStatusEraseProgress = 7,   // value elapsed ticks; posted
    kStatusBurnChecksum = 8,    // "Burn CheckSum"
    kStatusChecksumLength = 9,  // value blockCount * 2
    kStatusChecksumPos = 10,    // value sendPos
};

// Result codes of WM_JOB_DONE.
enum JobResult : WORD {
    kResultOk = 0,
    kResultWriteFailed = 1,
    kResultTimeout = 2,
    kResultVerifyFailed = 3,
    kResultBadLinkReply = 4,
    kResultEraseNotDone = 5,
    kResultEraseNotBegun = 6,
    kResultLengthEcho = 7,
    kResultPacketNotAcked = 8,
    kResultNoEndCode = 9,
    kResultStartFailed = 10,
    kResultChecksumLink = 11,
    kResultChecksumCountEcho = 12,
    kResultChecksumNotAcked = 13,
    kResultChecksumCompare = 14,
};

// WM_JOB_STATUS: wParam = (extra << 16) | kind, lParam = value.
struct JobStatus {
    WORD kind = 0;     // a JobStatusKind
    WORD extra = 0;    // the loader's version word or the file checksum; otherwise 0
    LPARAM value = 0;  // a count, a position, or the loader's packet size and letter

    // kStatusLoaderVersion's value: the loader's identification letter and its packet size.
    constexpr WORD letter() const { return LOWORD(static_cast<std::uintptr_t>(value)); }
    constexpr WORD packetSize() const { return HIWORD(static_cast<std::uintptr_t>(value)); }
};

constexpr WPARAM StatusWParam(WORD kind, WORD extra = 0) {
    return (static_cast<WPARAM>(extra) << 16) | kind;
}
// kStatusLoaderVersion's value.
constexpr LPARAM LoaderVersionValue(std::uint8_t packetSize, std::uint8_t letter) {
    return static_cast<LPARAM>(packetSize) << 16 | letter;
}
constexpr JobStatus DecodeJobStatus(WPARAM wParam, LPARAM lParam) {
    return {LOWORD(wParam), HIWORD(wParam), lParam};
}

// WM_JOB_DONE: wParam 0, lParam = (code << 16) | marker, the marker always 1.
inline constexpr WORD kJobDoneMarker = 1;

struct JobDone {
    WORD code = 0;    // a JobResult
    WORD marker = 0;  // kJobDoneMarker in every message a job posts

    constexpr bool marked() const { return marker == kJobDoneMarker; }
};

constexpr LPARAM JobDoneLParam(WORD code) {
    return static_cast<LPARAM>((static_cast<std::uint32_t>(code) << 16) | kJobDoneMarker);
}
constexpr JobDone DecodeJobDone(LPARAM lParam) {
    const auto bits = static_cast<std::uintptr_t>(lParam);
    return {HIWORD(bits), LOWORD(bits)};
}
