// The comm device over a Linux tty (termios). Reads and writes have no thread of their own:
// the thread that waits for an operation's completion polls the tty (termios_io.h). Line
// events wait on a thread of their own (modem_line_waiter.h).
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
    DWORD ReadFileWhenData(std::span<BYTE> dest, OVERLAPPED& ov) override;
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
