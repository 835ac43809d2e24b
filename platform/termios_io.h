// The reads and writes of a TermiosCommDevice, without a thread of their own.
//
// The device keeps its own input queue: a read is served from the queue without a system call
// when enough bytes are there, otherwise the descriptor is drained at once and, if still short,
// the read stays pending until more bytes come or its COMMTIMEOUTS deadline passes (monotonic
// clock). A pending read or write binds an event source (event_source.h) to its completion
// event, so the thread that waits for that event polls the tty itself and finishes the
// operation. A hang-up fails one read and the tty is then no longer polled, so a dead line costs
// no CPU: later reads that the queue cannot satisfy stay pending until Close.
//
// Threading: every member runs under `mu`, the device's lock; the sources' service functions
// take it themselves and do nothing once their operation is no longer the pending one.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "platform/comm_device.h"
#include "platform/unique_fd.h"

namespace platform {

class TermiosIo : public std::enable_shared_from_this<TermiosIo> {
  public:
    std::mutex mu;
    bool open = false;
    UniqueFd fd;
    COMMTIMEOUTS timeouts{};

    // After a successful open: an empty queue on a live line.
    void Reset();
    // `whenData`: the read's time-out starts to run only once a byte has come
    // (CommDevice::ReadFileWhenData), so a silent line wakes nobody.
    DWORD StartRead(std::span<BYTE> dest, OVERLAPPED& ov, bool whenData);
    DWORD StartWrite(std::span<const BYTE> src, OVERLAPPED& ov);
    // Drops what the queue holds (PurgeComm); true when the line is hung up.
    bool DropInput();
    bool HungUp() const { return hungUp_; }
    // Bytes received and not yet in a finished read; bytes written and not yet sent.
    COMSTAT Queued() const;
    // Close: the pending operations end without completing.
    void Abandon();

  private:
    struct PendingRead {
        std::span<BYTE> dest;
        std::size_t got = 0;
        OVERLAPPED* ov = nullptr;
        std::optional<std::chrono::steady_clock::time_point> deadline;
        std::uint64_t id = 0;
        bool bound = false;  // a source is bound to its event
        // A read that waits for data: its time-out, in periods of `period` from `start`, runs
        // only once a byte has come.
        std::chrono::steady_clock::time_point start;
        std::optional<std::chrono::milliseconds> period;
    };
    struct PendingWrite {
        std::span<const BYTE> src;
        std::size_t done = 0;
        OVERLAPPED* ov = nullptr;
        std::uint64_t id = 0;
        bool bound = false;
    };

    bool ReadIntoQueue();
    void FillRead();
    void FinishRead(DWORD status);
    void SettleReadAfterHangUp();
    void HangUp();
    void ContinueWrite();
    void FinishWrite(DWORD status);
    void BindReadSource();
    void BindWriteSource();
    void ServiceRead(std::uint64_t id, short revents);
    void ServiceWrite(std::uint64_t id, short revents);

    std::vector<BYTE> queue_ = std::vector<BYTE>(16384);
    std::size_t head_ = 0;
    std::size_t tail_ = 0;
    std::optional<PendingRead> read_;
    std::optional<PendingWrite> write_;
    std::uint64_t nextId_ = 0;
    bool hungUp_ = false;
    bool failureOwed_ = false;  // the hang-up has not been reported by a read yet
};

}  // namespace platform
