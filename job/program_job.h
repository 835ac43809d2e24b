// The job record, the notifications through which a job reports, and the rule for ending a
// job.
//
// Threading: four threads share the record: the GUI thread (StartJob, the start step,
// EndJob), the port's reader and writer threads (engine steps) and the watchdog thread.
// Engine steps are serialised by `busy`; `active` changes 1 -> 0 in one atomic step; the
// counters shared with the watchdog are relaxed atomics. Buffers and `serialPort` are
// allocated before `active` is set and freed by EndJob only after it has taken `busy`.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/file_io.h"
#include "platform/message_target.h"
#include "platform/thread.h"
#include "platform/win_types.h"
#include "serial/serial_port.h"

// Engine events, the argument of ProtocolStep.
inline constexpr int kEventWriteDone = 2;
inline constexpr int kEventData = 3;
inline constexpr int kEventStart = 8;

inline constexpr UINT WM_JOB_DONE = WM_USER + 100;
inline constexpr UINT WM_JOB_STATUS = WM_USER + 101;

// WM_JOB_STATUS kinds: low 16 bits of wParam.
enum JobStatusKind : WORD {
    kStatusFileLength = 0,      // lParam fileSize
    kStatusWritePos = 1,        // lParam sendPos
    kStatusEraseBegun = 2,      // "Erase /Blank"
    kStatusLoaderVersion = 3,   // wParam high: version; lParam (packetSize << 16) | letter
    kStatusWaitLink = 4,        // "Wait Link"
    kStatusFileChecksum = 5,    // wParam high: 16-bit file checksum
    kStatusEraseRange = 6,      // lParam eraseTicks
    kStatusEraseProgress = 7,   // lParam elapsed ticks; posted
    kStatusBurnChecksum = 8,    // "Burn CheckSum"
    kStatusChecksumLength = 9,  // lParam blockCount * 2
    kStatusChecksumPos = 10,    // lParam sendPos
};

// Result codes: high 16 bits of WM_JOB_DONE's lParam.
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

inline constexpr std::uint32_t kMaxImageSize = 0x400000;  // 4,194,304 bytes
inline constexpr std::uint32_t kBlockBytes = 4096;
inline constexpr std::uint16_t kBlockCount = kMaxImageSize / kBlockBytes;

// Time-outs in 50 ms ticks.
inline constexpr std::uint16_t kTicksCommand = 40;
inline constexpr std::uint16_t kTicksPacket = 20;
inline constexpr std::uint16_t kTicksEraseDefault = 160;

inline constexpr WPARAM StatusWParam(WORD kind, WORD extra = 0) {
    return (static_cast<WPARAM>(extra) << 16) | kind;
}
inline constexpr LPARAM JobDoneLParam(WORD code) {
    return static_cast<LPARAM>((static_cast<std::uint32_t>(code) << 16) | 1u);
}

struct ProgramJobRecord {
    // Owned objects and buffers.
    std::unique_ptr<CSerialPort> serialPort;
    platform::ImageFile imageFile;
    std::uint32_t fileSize = 0;
    std::unique_ptr<std::uint8_t[]> fileBuffer;
    std::unique_ptr<std::uint8_t[]> readBackBuffer;
    std::uint32_t imageSize = 0;
    std::uint16_t blockCount = 0;
    std::unique_ptr<std::uint8_t[]> blockSums;
    std::unique_ptr<std::uint8_t[]> readBackSums;

    // Notification target and timing.
    platform::HWND dialog = nullptr;
    platform::Thread watchdogThread;
    std::atomic<std::uint16_t> timeoutTicks{0};
    std::atomic<std::uint8_t> progressDivider{0};
    std::atomic<std::uint16_t> eraseTicks{0};
    std::atomic<std::int32_t> active{0};

    // Protocol engine state.
    std::atomic<std::int32_t> state{0};
    std::mutex busy;  // held while one thread is inside ProtocolStep
    std::int32_t packetLength = 0;
    std::int32_t packetSize = 0;
    std::int32_t lastPacketLength = 0;
    std::int32_t packetCount = 0;
    std::int32_t sendPos = 0;
    std::int32_t readBackPos = 0;
    std::int32_t compareIndex = 0;
    std::int32_t writeDone = 0;
    std::int32_t replyOk = 0;
    std::int32_t dataReceived = 0;
    std::uint8_t rx[32] = {};
    std::uint8_t tx[6] = {};
};

extern ProgramJobRecord ProgramJob;

// Sets progressDivider to 10, then timeoutTicks to `ticks`; returns `ticks`.
std::uint16_t ArmWatchdog(std::uint16_t ticks);

// Ends the running job once: whoever changes `active` from 1 to 0 posts WM_JOB_DONE with
// `code`; everyone else posts nothing. Port and buffers stay held until EndJob.
void EndJobWithResult(WORD code);

// Frees the four buffers and nulls their pointers.
void FreeJobBuffers(ProgramJobRecord& job);

// Sends (synchronously) or posts a WM_JOB_STATUS to the job's dialog.
void SendJobStatus(WORD kind, WORD extra, LPARAM value);
void PostJobStatus(WORD kind, WORD extra, LPARAM value);
