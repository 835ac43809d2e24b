// A scripted comm device for tests and fuzzing. A FakeCommLine is the far end that the test
// drives: it makes devices (install Factory()), feeds incoming bytes, captures written bytes,
// decides when reads, writes and line waits finish, and makes any step fail.
//
// Reads finish when enough bytes have been fed, or when the test calls FinishRead (a time-out:
// what has arrived, possibly nothing). Writes finish at once unless held. Each change of DTR or
// RTS is recorded with its time.
//
// Threading: every member may be called from any thread; one mutex guards the line and the
// devices it made. Wait blocks on a condition variable.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/comm_device.h"

namespace platform {

class FakeCommLine : public std::enable_shared_from_this<FakeCommLine> {
  public:
    // Which steps fail; a nonzero DWORD is the error code the step reports.
    struct Failures {
        DWORD open = 0;
        bool mask = false;
        bool timeouts = false;
        bool state = false;
        bool setup = false;
        bool purge = false;
        DWORD readStart = 0;   // ReadFile fails to start
        DWORD readResult = 0;  // a finished read reports this
        DWORD writeStart = 0;
        DWORD writeResult = 0;
        DWORD lineStart = 0;
        DWORD lineResult = 0;
        bool modemStatus = false;
        DWORD escape =
            0;  // EscapeCommFunction refuses with this code (ERROR_NOT_SUPPORTED: no lines)
    };

    // One change of DTR or RTS, as EscapeCommFunction made it, and when.
    struct LineChange {
        LineFunction function;
        std::chrono::steady_clock::time_point at;
    };

    // What the test can observe.
    struct Status {
        int devices = 0;  // devices of this line not yet destroyed
        int opens = 0;
        int closes = 0;
        bool isOpen = false;
        std::string openedName;
        DWORD commMask = 0;
        std::optional<COMMTIMEOUTS> timeouts;
        std::optional<DCB> dcb;
        DWORD inQueue = 0;
        DWORD outQueue = 0;
        std::vector<DWORD> purges;
        int clearErrors = 0;
        int readsStarted = 0;
        int readsWhenData = 0;  // of readsStarted, those started with ReadFileWhenData
        int writesStarted = 0;
        int lineWaitsStarted = 0;
        bool readPending = false;
        std::size_t pendingReadSize = 0;
        bool writePending = false;
        bool lineWaitPending = false;
        std::size_t queued = 0;  // fed bytes not yet taken by a read
        std::vector<BYTE> written;
        std::vector<LineChange> lineChanges;  // those the device carried out, in order
    };

    static std::shared_ptr<FakeCommLine> Create();
    CommDeviceFactory Factory();

    void SetFailures(const Failures& failures);
    void SetModemStatus(DWORD status);
    // Writes stay pending until CompleteWrite while held.
    void HoldWrites(bool hold);
    // Reads end as soon as any byte is there, with what is there, as a read whose time-out
    // ran out at once would: the far end may then answer in whole messages of any length.
    void ShortReads(bool shortReads);

    void Feed(std::span<const BYTE> bytes);
    // Ends the pending read now with the bytes that have arrived (a read time-out).
    void FinishRead();
    void CompleteWrite();
    // Ends the pending line-event wait with `mask`.
    void RaiseLineEvent(DWORD mask);

    Status Snapshot() const;
    // Waits until `pred` holds for the status; false after `timeout`.
    bool Wait(const std::function<bool(const Status&)>& pred,
              std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    class Device;

  private:
    FakeCommLine() = default;
    void Changed() { cv_.notify_all(); }
    Status StatusLocked() const;
    void TryFinishRead();
    void FinishPendingRead(DWORD status);

    friend class Device;
    mutable std::mutex mu_;
    mutable std::condition_variable cv_;
    Failures failures_;
    Status status_;
    DWORD modemStatus_ = 0;
    bool holdWrites_ = false;
    bool shortReads_ = false;
    std::vector<BYTE> queue_;
    Device* openDevice_ = nullptr;
    struct Pending {
        std::span<BYTE> dest;
        std::span<const BYTE> src;
        DWORD* mask = nullptr;
        OVERLAPPED* ov = nullptr;
    };
    std::optional<Pending> read_;
    std::optional<Pending> write_;
    std::optional<Pending> line_;
};

}  // namespace platform
