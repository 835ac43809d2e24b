#include "platform/comm_termios.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/com_ports.h"
#include "platform/error_text.h"
#include "platform/modem_line_waiter.h"
#include "platform/overlapped.h"
#include "platform/termios2.h"
#include "platform/termios_io.h"

namespace platform {

DWORD OpenErrorFromErrno(int err) {
    switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EBUSY:
        case EWOULDBLOCK:
            return ERROR_ACCESS_DENIED;
        default:
            return ERROR_GEN_FAILURE;
    }
}

// The device's own settings beside its reads and writes; all under io->mu.
struct TermiosCommDevice::Impl {
    std::shared_ptr<TermiosIo> io = std::make_shared<TermiosIo>();
    DWORD commMask = 0;
    bool hasModemLines = false;
    bool lowLatencySet = false;
    int oldSerialFlags = 0;
    ModemLineWaiter lines;
    std::string lastError;  // under io->mu
};

TermiosCommDevice::TermiosCommDevice() : impl_(std::make_unique<Impl>()) {}

TermiosCommDevice::~TermiosCommDevice() {
    Close();
}

DWORD TermiosCommDevice::Open(const std::string& name) {
    Impl& d = *impl_;
    TermiosIo& io = *d.io;
    std::lock_guard lock(io.mu);
    d.lastError.clear();
    if (io.open) {
        d.lastError = "already open";
        return ERROR_ACCESS_DENIED;
    }
    const std::string path = ResolveComDevice(name);
    if (path.empty())
        return ERROR_FILE_NOT_FOUND;
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) {
        const int err = errno;
        d.lastError = SystemErrorText(err);
        return OpenErrorFromErrno(err);
    }
    // flock holds even against root, who passes TIOCEXCL.
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        d.lastError = "locked by another program";
        return ERROR_ACCESS_DENIED;
    }
    if (::ioctl(fd.Get(), TIOCEXCL) != 0 && errno != ENOTTY && errno != EINVAL) {
        const int err = errno;
        d.lastError = SystemErrorText(err);
        return OpenErrorFromErrno(err);
    }
    d.lowLatencySet = termios2::SetLowLatency(fd.Get(), &d.oldSerialFlags) == 0;
    int lines = 0;
    d.hasModemLines = termios2::ModemLines(fd.Get(), &lines) == 0;
    io.fd = std::move(fd);
    io.Reset();
    io.open = true;
    return ERROR_SUCCESS;
}

bool TermiosCommDevice::SetCommMask(DWORD mask) {
    std::lock_guard lock(impl_->io->mu);
    impl_->commMask = mask;
    return impl_->io->open;
}

bool TermiosCommDevice::SetCommTimeouts(const COMMTIMEOUTS& timeouts) {
    std::lock_guard lock(impl_->io->mu);
    impl_->io->timeouts = timeouts;
    return impl_->io->open;
}

bool TermiosCommDevice::SetCommState(const DCB& dcb) {
    TermiosIo& io = *impl_->io;
    std::lock_guard lock(io.mu);
    if (!io.open)
        return false;
    const termios2::LineSettings s{dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits};
    int err = termios2::ApplyLineSettings(io.fd.Get(), s);
    if (err == 0)
        err = termios2::ClearModemLines(io.fd.Get());
    impl_->lastError = err == 0         ? std::string()
                       : err == ENOTSUP ? "the driver runs another line instead"
                                        : SystemErrorText(err);
    return err == 0;
}

std::string TermiosCommDevice::LastErrorText() const {
    std::lock_guard lock(impl_->io->mu);
    return impl_->lastError;
}

bool TermiosCommDevice::SetupComm(DWORD inQueue, DWORD outQueue) {
    std::lock_guard lock(impl_->io->mu);
    return impl_->io->open && inQueue > 0 && outQueue > 0;
}

bool TermiosCommDevice::PurgeComm(DWORD flags) {
    TermiosIo& io = *impl_->io;
    std::lock_guard lock(io.mu);
    if (!io.open)
        return false;
    const bool rx = (flags & PURGE_RXCLEAR) != 0;
    const bool hungUp = rx ? io.DropInput() : io.HungUp();
    return hungUp || termios2::Flush(io.fd.Get(), rx, (flags & PURGE_TXCLEAR) != 0) == 0;
}

bool TermiosCommDevice::ClearCommError(COMSTAT* stat) {
    TermiosIo& io = *impl_->io;
    std::lock_guard lock(io.mu);
    if (stat)
        *stat = io.Queued();
    return io.open;
}

DWORD TermiosCommDevice::ReadFile(std::span<BYTE> dest, OVERLAPPED& ov) {
    std::lock_guard lock(impl_->io->mu);
    return impl_->io->StartRead(dest, ov, false);
}

DWORD TermiosCommDevice::ReadFileWhenData(std::span<BYTE> dest, OVERLAPPED& ov) {
    std::lock_guard lock(impl_->io->mu);
    return impl_->io->StartRead(dest, ov, true);
}

DWORD TermiosCommDevice::WriteFile(std::span<const BYTE> src, OVERLAPPED& ov) {
    std::lock_guard lock(impl_->io->mu);
    return impl_->io->StartWrite(src, ov);
}

DWORD TermiosCommDevice::WaitCommEvent(DWORD* mask, OVERLAPPED& ov) {
    Impl& d = *impl_;
    std::unique_lock lock(d.io->mu);
    if (!d.io->open)
        return ERROR_INVALID_HANDLE;
    if (d.commMask == 0 || !ov.hEvent || !mask)
        return ERROR_INVALID_PARAMETER;
    BeginOverlapped(ov);
    // Without modem lines (a pseudo-terminal) no line event can come: the wait stays pending.
    if (!d.hasModemLines)
        return ERROR_IO_PENDING;
    return d.lines.Start(lock, d.io->open, d.io->fd, d.commMask, mask, ov);
}

DWORD TermiosCommDevice::GetOverlappedResult(const OVERLAPPED& ov, DWORD* transferred) {
    std::lock_guard lock(impl_->io->mu);
    *transferred = ov.InternalHigh;
    if (ov.Internal == ERROR_IO_PENDING)
        return ERROR_IO_INCOMPLETE;
    return ov.Internal;
}

bool TermiosCommDevice::GetCommModemStatus(DWORD* status) {
    TermiosIo& io = *impl_->io;
    std::lock_guard lock(io.mu);
    int lines = 0;
    if (!io.open || termios2::ModemLines(io.fd.Get(), &lines) != 0)
        return false;
    *status = (termios2::RingBit(lines) ? MS_RING_ON : 0) |
              (termios2::CarrierBit(lines) ? MS_RLSD_ON : 0);
    return true;
}

DWORD TermiosCommDevice::EscapeCommFunction(LineFunction function) {
    TermiosIo& io = *impl_->io;
    std::lock_guard lock(io.mu);
    if (!io.open)
        return ERROR_INVALID_HANDLE;
    const bool dtr = function == LineFunction::SetDtr || function == LineFunction::ClearDtr;
    const bool on = function == LineFunction::SetDtr || function == LineFunction::SetRts;
    const int e = termios2::ChangeModemLine(
        io.fd.Get(), dtr ? termios2::ModemLine::Dtr : termios2::ModemLine::Rts, on);
    if (e == 0)
        return ERROR_SUCCESS;
    return e == ENOTTY || e == EINVAL ? ERROR_NOT_SUPPORTED : ERROR_GEN_FAILURE;
}

void TermiosCommDevice::Close() {
    Impl& d = *impl_;
    TermiosIo& io = *d.io;
    std::unique_lock lock(io.mu);
    if (!io.open)
        return;
    io.open = false;
    io.Abandon();
    d.lines.Stop(lock);
    // A pseudo-terminal keeps TIOCEXCL after this close while its master is open, which would
    // refuse the next unprivileged open.
    (void)::ioctl(io.fd.Get(), TIOCNXCL);
    if (d.lowLatencySet)
        (void)termios2::RestoreSerialFlags(io.fd.Get(), d.oldSerialFlags);
    io.fd.Reset();
}

std::unique_ptr<CommDevice> CreateSystemCommDevice() {
    return std::make_unique<TermiosCommDevice>();
}

}  // namespace platform
