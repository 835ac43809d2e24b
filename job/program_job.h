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
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

#include "job/job_messages.h"
#include "job/loader_wire.h"
#include "platform/file_io.h"
#include "platform/message_target.h"
#include "platform/thread.h"
#include "platform/win_types.h"
#include "serial/serial_port.h"

// Engine events, the argument of ProtocolStep.
enum EngineEvent : int {
    kEventWriteDone = 2,  // the port finished sending the engine's last transmission
    kEventData = 3,       // bytes have arrived in the port's receive buffer
    kEventStart = 8,      // a job starts
};

// Engine states, each named by what it waits for. 0 to 7 are the image phase of a Program
// job; 8 to 14 the checksum table, which an EEP Sum job starts at and a Program job reaches
// from kStateEndOfImage. Transitions only go forward.
enum EngineState : std::int32_t {
    kStateProgramStart = 0,          // the start event; sends the link request
    kStateLinkReply = 1,             // the link reply and the request's write completion
    kStateInfoBlock = 2,             // the information block with the erase time
    kStateEraseBegun = 3,            // the confirmation that the erase has begun
    kStateEraseDone = 4,             // the end of the erase (the watchdog reports progress)
    kStateLengthEcho = 5,            // the file length's echo and its write completion
    kStateImageAck = 6,              // an image packet's acknowledgement
    kStateEndOfImage = 7,            // the owed read-back and the end code
    kStateChecksumStart = 8,         // the start event; sends the link request
    kStateChecksumLinkReply = 9,     // as kStateLinkReply
    kStateChecksumInfoBlock = 10,    // the information block, read and dropped
    kStateChecksumLinkConfirm = 11,  // the loader ready for the table's byte count
    kStateCountEcho = 12,            // the byte count's echo and its write completion
    kStateChecksumAck = 13,          // a checksum packet's acknowledgement
    kStateEndOfTable = 14,           // the owed read-back and the end code; the job's end
};

inline constexpr std::uint32_t kMaxImageSize = 0x400000;  // 4,194,304 bytes
inline constexpr std::uint32_t kBlockBytes = 4096;
inline constexpr std::uint16_t kBlockCount = kMaxImageSize / kBlockBytes;
inline constexpr std::int32_t kBlockSumBytes = 2;  // a big-endian 16-bit sum per block

// Time-outs in 50 ms ticks.
inline constexpr std::uint16_t kTicksCommand = 40;
inline constexpr std::uint16_t kTicksPacket = 20;
inline constexpr std::uint16_t kTicksEraseDefault = 160;
inline constexpr std::uint16_t kTicksPerEraseUnit = 40;  // the information block's 2 s unit
// The erase progress is reported every tenth tick.
inline constexpr std::uint8_t kTicksPerProgressReport = 10;

// Work of the job's own that can run while the loader's time runs, named in the time-out's
// report.
enum class OwnWork : std::uint8_t {
    None,
    Reporting,         // a status message handed to the front end
    WritingReadBack,   // the read-back file written and synced
    WritingChecksums,  // the returned checksum table written and synced
};

// Payload bytes per packet until the loader's link reply tells its own.
inline constexpr std::int32_t kDefaultPacketLength = 256;

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
    // The last arming as one word, so the watchdog sees its time and ticks together: the
    // monotonic clock in milliseconds (high 48 bits) and the ticks (low 16 bits).
    std::atomic<std::uint64_t> arming{0};
    std::atomic<std::uint8_t> progressDivider{0};
    // What runs of the job's own, for the time-out's report.
    std::atomic<OwnWork> ownWork{OwnWork::None};
    // How the time-outs were kept, written by the watchdog, read by the front ends once the
    // job has ended: the deadlines moved in all (ms), the own work that held one (the last),
    // and whether the cap on own work ended the job.
    std::atomic<std::uint32_t> extendedMs{0};
    std::atomic<OwnWork> heldBy{OwnWork::None};
    std::atomic<bool> ownWorkCapped{false};
    std::atomic<std::uint16_t> eraseTicks{0};
    std::atomic<std::int32_t> active{0};

    // Protocol engine state.
    std::atomic<EngineState> state{kStateProgramStart};
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
    std::uint8_t rx[wire::kInfoBlockLength] = {};  // the longest reply read into it
    std::uint8_t tx[wire::kLinkRequestLength] = {};
};

extern ProgramJobRecord ProgramJob;

// Sets progressDivider to kTicksPerProgressReport, then timeoutTicks to `ticks`, and records
// the arming's time for the watchdog; returns `ticks`.
std::uint16_t ArmWatchdog(std::uint16_t ticks);

// Marks the job's own work for as long as it lives: a time-out that falls meanwhile is held,
// within its cap, and the report names the work. Used by one thread at a time: an engine step,
// or the start of a job before its watchdog runs.
class OwnWorkScope {
  public:
    explicit OwnWorkScope(OwnWork work) : previous_(ProgramJob.ownWork.exchange(work)) {}
    ~OwnWorkScope() { ProgramJob.ownWork.store(previous_); }
    OwnWorkScope(const OwnWorkScope&) = delete;
    OwnWorkScope& operator=(const OwnWorkScope&) = delete;

  private:
    OwnWork previous_;
};

// The word ArmWatchdog stores in `arming`, and its parts.
std::uint64_t ArmingWord(std::chrono::steady_clock::time_point at, std::uint16_t ticks);
std::chrono::steady_clock::time_point ArmedAt(std::uint64_t arming);
inline std::uint16_t ArmedTicks(std::uint64_t arming) {
    return static_cast<std::uint16_t>(arming);
}

// Ends the running job once: whoever changes `active` from 1 to 0 posts WM_JOB_DONE with
// `code`; everyone else posts nothing. Port and buffers stay held until EndJob.
void EndJobWithResult(WORD code);

// Frees the four buffers and nulls their pointers.
void FreeJobBuffers(ProgramJobRecord& job);

// Idles the record at start-up: no port, no buffers, no active job.
void IdleJobRecord();

// Sends a WM_JOB_STATUS to the job's dialog and waits until it has been handled.
void SendJobStatus(WORD kind, WORD extra, LPARAM value);
