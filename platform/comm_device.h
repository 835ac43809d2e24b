// The comm device: the Win32 communications calls that CSerialPort is written against, as one
// interface, so the port logic runs over termios on Linux, over the real calls on Windows
// (comm_win.h) and over a fake in tests.
//
// Operations return Win32 error codes: ERROR_SUCCESS (0), ERROR_IO_PENDING for an overlapped
// operation that has not finished, or another code for a failure. An overlapped operation
// signals its record's event when it finishes, also when it finished at once.
//
// Threading: a device is thread-safe. Close may run while another thread is inside any other
// operation; every operation after Close fails with ERROR_INVALID_HANDLE and no completion is
// signalled after Close returns. The factory functions belong to test set-up and start-up.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/event.h"
#include "platform/line_function.h"
#include "platform/win_types.h"

namespace platform {

inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_GEN_FAILURE = 31;
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_BROKEN_PIPE = 109;
inline constexpr DWORD ERROR_OPERATION_ABORTED = 995;
inline constexpr DWORD ERROR_IO_INCOMPLETE = 996;
inline constexpr DWORD ERROR_IO_PENDING = 997;

inline constexpr DWORD EV_RLSD = 0x0020;
inline constexpr DWORD EV_RING = 0x0100;
inline constexpr DWORD MS_RING_ON = 0x0040;
inline constexpr DWORD MS_RLSD_ON = 0x0080;
inline constexpr DWORD PURGE_TXCLEAR = 0x0004;
inline constexpr DWORD PURGE_RXCLEAR = 0x0008;
inline constexpr DWORD DTR_CONTROL_DISABLE = 0;
inline constexpr DWORD RTS_CONTROL_DISABLE = 0;
inline constexpr DWORD MAXDWORD = 0xFFFFFFFF;

// The Win32 DCB, member for member (28 bytes).
struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary : 1;
    DWORD fParity : 1;
    DWORD fOutxCtsFlow : 1;
    DWORD fOutxDsrFlow : 1;
    DWORD fDtrControl : 2;
    DWORD fDsrSensitivity : 1;
    DWORD fTXContinueOnXoff : 1;
    DWORD fOutX : 1;
    DWORD fInX : 1;
    DWORD fErrorChar : 1;
    DWORD fNull : 1;
    DWORD fRtsControl : 2;
    DWORD fAbortOnError : 1;
    DWORD fDummy2 : 17;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};
static_assert(sizeof(DCB) == 28);

// The flag word of a DCB (fBinary is bit 0, fParity bit 1, ...).
DWORD DcbFlags(const DCB& dcb);

// The queue counts of ClearCommError: bytes received and not yet read, and bytes written and not
// yet sent.
struct COMSTAT {
    DWORD cbInQue;
    DWORD cbOutQue;
};

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
};

// The record of one overlapped operation. The owner binds hEvent; the device alone writes
// Internal (the operation's status) and InternalHigh (bytes moved), under its own lock, and
// GetOverlappedResult reads them.
struct OVERLAPPED {
    DWORD Internal = 0;
    DWORD InternalHigh = 0;
    Event* hEvent = nullptr;
};

class CommDevice {
  public:
    virtual ~CommDevice() = default;

    // CreateFileA for a device name ("COM3", or a path): ERROR_SUCCESS, ERROR_FILE_NOT_FOUND
    // (no such device), ERROR_ACCESS_DENIED (held or forbidden) or another failure.
    virtual DWORD Open(const std::string& name) = 0;
    virtual bool SetCommMask(DWORD mask) = 0;
    virtual bool SetCommTimeouts(const COMMTIMEOUTS& timeouts) = 0;
    virtual bool SetCommState(const DCB& dcb) = 0;
    virtual bool SetupComm(DWORD inQueue, DWORD outQueue) = 0;
    virtual bool PurgeComm(DWORD flags) = 0;
    // Clears a pending line error; fills `stat` when it is not null. cbInQue counts every byte
    // that has reached the host and is not yet in a finished read: in the driver, in the
    // device's own queue, or already in a read that is still pending.
    virtual bool ClearCommError(COMSTAT* stat) = 0;

    // Overlapped operations. `dest`, `src`, `mask` and `ov` must stay valid until the
    // operation finishes or the device is closed.
    virtual DWORD ReadFile(std::span<BYTE> dest, OVERLAPPED& ov) = 0;
    // ReadFile for a caller to whom a read that ends empty means nothing but starting the same
    // read again: while no byte has come the device may keep the read pending instead of
    // waking the caller at every time-out. Once a byte comes, the read ends as that repeated
    // read would have: full, or at the end of the time-out period (counted in whole periods
    // from the call) in which it is. The default is ReadFile.
    virtual DWORD ReadFileWhenData(std::span<BYTE> dest, OVERLAPPED& ov) {
        return ReadFile(dest, ov);
    }
    virtual DWORD WriteFile(std::span<const BYTE> src, OVERLAPPED& ov) = 0;
    virtual DWORD WaitCommEvent(DWORD* mask, OVERLAPPED& ov) = 0;
    // Never waits: ERROR_IO_INCOMPLETE while the operation runs, else its status.
    virtual DWORD GetOverlappedResult(const OVERLAPPED& ov, DWORD* transferred) = 0;
    virtual bool GetCommModemStatus(DWORD* status) = 0;
    // EscapeCommFunction for DTR and RTS: raises or drops the line on the open device.
    // ERROR_SUCCESS; ERROR_NOT_SUPPORTED when the device has no modem lines (a pseudo-terminal);
    // ERROR_INVALID_HANDLE when closed; or the driver's own refusal.
    virtual DWORD EscapeCommFunction(LineFunction function) = 0;

    // CloseHandle: ends outstanding operations; idempotent.
    virtual void Close() = 0;

    // Why the last Open or SetCommState that failed failed, in the system's words ("Permission
    // denied"); empty when the device has nothing to say.
    virtual std::string LastErrorText() const { return {}; }
};

using CommDeviceFactory = std::function<std::unique_ptr<CommDevice>()>;

// The system's own device: termios on Linux, the Win32 COM port on Windows.
std::unique_ptr<CommDevice> CreateSystemCommDevice();
// A new, unopened device from the installed factory (the system's unless replaced).
std::unique_ptr<CommDevice> CreateCommDevice();
// Installs `factory`; an empty one restores the system's device.
void SetCommDeviceFactory(CommDeviceFactory factory);

// Installs a factory for its lifetime and then restores the system's device.
class ScopedCommDeviceFactory {
  public:
    explicit ScopedCommDeviceFactory(CommDeviceFactory factory) {
        SetCommDeviceFactory(std::move(factory));
    }
    ~ScopedCommDeviceFactory() { SetCommDeviceFactory({}); }
    ScopedCommDeviceFactory(const ScopedCommDeviceFactory&) = delete;
    ScopedCommDeviceFactory& operator=(const ScopedCommDeviceFactory&) = delete;
};

}  // namespace platform
