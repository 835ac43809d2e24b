// The comm device on a Win32 COM port, opened for overlapped I/O. Each of the caller's OVERLAPPED
// records gets a real Win32 record whose event is the native event inside the caller's Event,
// so the driver itself signals the completion; nothing runs on a thread of the device's own.
//
// Two things differ from the calls' Windows meaning because Wine on a pseudo-terminal, where the
// suite runs, differs: a read whose time-out ran out may finish with ERROR_TIMEOUT, which is
// taken as what Windows reports, success with the bytes that came; and Close cancels what is
// pending and waits for it before it closes the handle, since a buffer must not be written to
// after Close and Wine completes a read cut off by CloseHandle with an error of its own.
//
// Threading: as CommDevice; one lock guards the handle and the records.
#pragma once

#include <memory>

#include "platform/comm_device.h"

namespace platform {

class Win32CommDevice final : public CommDevice {
  public:
    Win32CommDevice();
    ~Win32CommDevice() override;

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
    DWORD EscapeCommFunction(LineFunction function) override;
    void Close() override;
    std::string LastErrorText() const override;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
