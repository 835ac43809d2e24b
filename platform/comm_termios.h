// The comm device over a Linux tty (termios).
//
// The device keeps its own input queue: a read is served from the queue without a system call
// when enough bytes are there, otherwise the descriptor is drained at once and, if still short,
// the read waits for more bytes or for its COMMTIMEOUTS deadline (monotonic clock). One I/O
// thread per open device sleeps in poll() on the tty and a wake descriptor and finishes
// pending reads and writes. A hang-up fails one read and then the tty is no longer polled, so
// a dead line costs no CPU: later reads that the queue cannot satisfy stay pending until Close.
//
// Threading: as CommDevice; one lock guards the device state.
#pragma once

#include <memory>

#include "platform/comm_device.h"

namespace platform {

// Maps an open() errno to ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED or ERROR_GEN_FAILURE.
DWORD OpenErrorFromErrno(int err);

class TermiosCommDevice final : public CommDevice {
  public:
    TermiosCommDevice();
    ~TermiosCommDevice() override;

    DWORD Open(const std::string& name) override;
    bool SetCommMask(DWORD mask) override;
    bool SetCommTimeouts(const COMMTIMEOUTS& timeouts) override;
    bool SetCommState(const DCB& dcb) override;
    bool SetupComm(DWORD inQueue, DWORD outQueue) override;
    bool PurgeComm(DWORD flags) override;
    bool ClearCommError(COMSTAT* stat) override;
    DWORD ReadFile(std::span<BYTE> dest, OVERLAPPED& ov) override;
    DWORD WriteFile(std::span<const BYTE> src, OVERLAPPED& ov) override;
    DWORD WaitCommEvent(DWORD* mask, OVERLAPPED& ov) override;
    DWORD GetOverlappedResult(const OVERLAPPED& ov, DWORD* transferred) override;
    bool GetCommModemStatus(DWORD* status) override;
    void Close() override;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
