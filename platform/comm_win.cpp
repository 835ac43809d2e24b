#include "platform/comm_win.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com_ports.h"
#include "platform/error_text.h"
#include "platform/event_win.h"

// Last: its macros would rename our own declarations above.
#include <windows.h>

namespace platform {

static_assert(sizeof(::DCB) == sizeof(platform::DCB));
static_assert(static_cast<DWORD>(LineFunction::SetRts) == SETRTS &&
              static_cast<DWORD>(LineFunction::ClearRts) == CLRRTS &&
              static_cast<DWORD>(LineFunction::SetDtr) == SETDTR &&
              static_cast<DWORD>(LineFunction::ClearDtr) == CLRDTR);

namespace {

// One caller's record and the Win32 record that stands for it; the Win32 record must stay at
// its address while its operation runs.
struct Record {
    const OVERLAPPED* key = nullptr;
    ::OVERLAPPED native{};
    bool started = false;
};

}  // namespace

struct Win32CommDevice::Impl {
    std::mutex mu;
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::vector<std::unique_ptr<Record>> records;
    std::string lastError;  // under mu

    bool Open() const { return handle != INVALID_HANDLE_VALUE; }

    Record* Find(const OVERLAPPED& ov) {
        for (const auto& r : records) {
            if (r->key == &ov)
                return r.get();
        }
        return nullptr;
    }

    // The Win32 record for a new operation on `ov`, bound to the native event of ov.hEvent.
    Record& Start(OVERLAPPED& ov) {
        Record* r = Find(ov);
        if (!r) {
            records.push_back(std::make_unique<Record>());
            r = records.back().get();
            r->key = &ov;
        }
        r->native = {};
        r->native.hEvent = static_cast<HANDLE>(NativeEventHandle(*ov.hEvent));
        r->started = true;
        return *r;
    }

    // What a started overlapped call returned, as a CommDevice result.
    static DWORD Started(BOOL ok) { return ok ? ERROR_SUCCESS : ::GetLastError(); }
};

Win32CommDevice::Win32CommDevice() : impl_(std::make_unique<Impl>()) {}

Win32CommDevice::~Win32CommDevice() {
    Close();
}

DWORD Win32CommDevice::Open(const std::string& name) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mu);
    d.lastError.clear();
    if (d.Open()) {
        d.lastError = "already open";
        return ERROR_ACCESS_DENIED;
    }
    const std::string path = ResolveComDevice(name);
    if (path.empty())
        return ERROR_FILE_NOT_FOUND;
    const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        d.lastError = SystemErrorText(static_cast<long>(error));
        if (error == ERROR_PATH_NOT_FOUND)
            return ERROR_FILE_NOT_FOUND;
        return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
    }
    d.handle = h;
    d.records.clear();
    return ERROR_SUCCESS;
}

bool Win32CommDevice::SetCommMask(DWORD mask) {
    std::lock_guard lock(impl_->mu);
    return impl_->Open() && ::SetCommMask(impl_->handle, mask);
}

bool Win32CommDevice::SetCommTimeouts(const COMMTIMEOUTS& timeouts) {
    ::COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = timeouts.ReadIntervalTimeout;
    t.ReadTotalTimeoutMultiplier = timeouts.ReadTotalTimeoutMultiplier;
    t.ReadTotalTimeoutConstant = timeouts.ReadTotalTimeoutConstant;
    t.WriteTotalTimeoutMultiplier = timeouts.WriteTotalTimeoutMultiplier;
    t.WriteTotalTimeoutConstant = timeouts.WriteTotalTimeoutConstant;
    std::lock_guard lock(impl_->mu);
    return impl_->Open() && ::SetCommTimeouts(impl_->handle, &t);
}

bool Win32CommDevice::SetCommState(const DCB& dcb) {
    // The same record member for member, bit fields included.
    ::DCB native;
    std::memcpy(&native, &dcb, sizeof native);
    std::lock_guard lock(impl_->mu);
    if (!impl_->Open())
        return false;
    const bool ok = ::SetCommState(impl_->handle, &native);
    impl_->lastError = ok ? std::string() : SystemErrorText(static_cast<long>(::GetLastError()));
    return ok;
}

std::string Win32CommDevice::LastErrorText() const {
    std::lock_guard lock(impl_->mu);
    return impl_->lastError;
}

bool Win32CommDevice::SetupComm(DWORD inQueue, DWORD outQueue) {
    std::lock_guard lock(impl_->mu);
    return impl_->Open() && ::SetupComm(impl_->handle, inQueue, outQueue);
}

bool Win32CommDevice::PurgeComm(DWORD flags) {
    std::lock_guard lock(impl_->mu);
    return impl_->Open() && ::PurgeComm(impl_->handle, flags);
}

bool Win32CommDevice::ClearCommError(COMSTAT* stat) {
    DWORD errors = 0;
    ::COMSTAT native{};
    std::lock_guard lock(impl_->mu);
    if (!impl_->Open() || !::ClearCommError(impl_->handle, &errors, &native))
        return false;
    if (stat) {
        // The driver's queue only: bytes already in a pending read are not counted.
        stat->cbInQue = native.cbInQue;
        stat->cbOutQue = native.cbOutQue;
    }
    return true;
}

DWORD Win32CommDevice::ReadFile(std::span<BYTE> dest, OVERLAPPED& ov) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mu);
    if (!d.Open())
        return ERROR_INVALID_HANDLE;
    Record& r = d.Start(ov);
    return Impl::Started(
        ::ReadFile(d.handle, dest.data(), static_cast<DWORD>(dest.size()), nullptr, &r.native));
}

DWORD Win32CommDevice::WriteFile(std::span<const BYTE> src, OVERLAPPED& ov) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mu);
    if (!d.Open())
        return ERROR_INVALID_HANDLE;
    Record& r = d.Start(ov);
    return Impl::Started(
        ::WriteFile(d.handle, src.data(), static_cast<DWORD>(src.size()), nullptr, &r.native));
}

DWORD Win32CommDevice::WaitCommEvent(DWORD* mask, OVERLAPPED& ov) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mu);
    if (!d.Open())
        return ERROR_INVALID_HANDLE;
    Record& r = d.Start(ov);
    return Impl::Started(::WaitCommEvent(d.handle, mask, &r.native));
}

DWORD Win32CommDevice::GetOverlappedResult(const OVERLAPPED& ov, DWORD* transferred) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mu);
    *transferred = 0;
    if (!d.Open())
        return ERROR_INVALID_HANDLE;
    Record* r = d.Find(ov);
    if (!r)
        return ERROR_INVALID_PARAMETER;
    DWORD n = 0;
    if (::GetOverlappedResult(d.handle, &r->native, &n, FALSE)) {
        *transferred = n;
        return ERROR_SUCCESS;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_TIMEOUT) {
        // Wine's report of a read whose time-out ran out; Windows reports success.
        *transferred = static_cast<DWORD>(r->native.InternalHigh);
        return ERROR_SUCCESS;
    }
    return error;
}

bool Win32CommDevice::GetCommModemStatus(DWORD* status) {
    std::lock_guard lock(impl_->mu);
    return impl_->Open() && ::GetCommModemStatus(impl_->handle, status);
}

DWORD Win32CommDevice::EscapeCommFunction(LineFunction function) {
    std::lock_guard lock(impl_->mu);
    if (!impl_->Open())
        return ERROR_INVALID_HANDLE;
    if (::EscapeCommFunction(impl_->handle, static_cast<DWORD>(function)))
        return ERROR_SUCCESS;
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

void Win32CommDevice::Close() {
    Impl& d = *impl_;
    std::lock_guard lock(d.mu);
    if (!d.Open())
        return;
    // What is still pending is cancelled and waited for, so the driver is done with the
    // caller's buffers; its completion event is reset again, since an operation that Close
    // ended has not finished.
    std::vector<Record*> pending;
    for (const auto& r : d.records) {
        if (r->started && !HasOverlappedIoCompleted(&r->native)) {
            pending.push_back(r.get());
            (void)::CancelIoEx(d.handle, &r->native);
        }
    }
    for (Record* r : pending) {
        DWORD n = 0;
        (void)::GetOverlappedResult(d.handle, &r->native, &n, TRUE);
        ::ResetEvent(r->native.hEvent);
    }
    ::CloseHandle(d.handle);
    d.handle = INVALID_HANDLE_VALUE;
    d.records.clear();
}

std::unique_ptr<CommDevice> CreateSystemCommDevice() {
    return std::make_unique<Win32CommDevice>();
}

}  // namespace platform
