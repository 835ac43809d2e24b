#include "platform/comm_fake.h"

#include "platform/overlapped.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {
void Begin(OVERLAPPED& ov) {
    BeginOverlapped(ov);
}
void Complete(OVERLAPPED* ov, DWORD status, std::size_t bytes) {
    CompleteOverlapped(*ov, status, bytes);
}
}  // namespace

class FakeCommLine::Device final : public CommDevice {
  public:
    explicit Device(std::shared_ptr<FakeCommLine> line) : line_(std::move(line)) {
        std::lock_guard lock(line_->mu_);
        ++line_->status_.devices;
    }
    ~Device() override {
        Close();
        std::lock_guard lock(line_->mu_);
        --line_->status_.devices;
        line_->Changed();
    }

    DWORD Open(const std::string& name) override {
        std::lock_guard lock(line_->mu_);
        auto& s = line_->status_;
        s.openedName = name;
        if (line_->failures_.open != 0)
            return line_->failures_.open;
        if (line_->openDevice_)
            return ERROR_ACCESS_DENIED;
        line_->openDevice_ = this;
        ++s.opens;
        s.isOpen = true;
        line_->Changed();
        return ERROR_SUCCESS;
    }

    bool SetCommMask(DWORD mask) override {
        return Step(&Failures::mask, [&](Status& s) { s.commMask = mask; });
    }
    bool SetCommTimeouts(const COMMTIMEOUTS& t) override {
        return Step(&Failures::timeouts, [&](Status& s) { s.timeouts = t; });
    }
    bool SetCommState(const DCB& dcb) override {
        return Step(&Failures::state, [&](Status& s) { s.dcb = dcb; });
    }
    bool SetupComm(DWORD in, DWORD out) override {
        return Step(&Failures::setup, [&](Status& s) {
            s.inQueue = in;
            s.outQueue = out;
        });
    }
    bool PurgeComm(DWORD flags) override {
        return Step(&Failures::purge, [&](Status& s) {
            s.purges.push_back(flags);
            if (flags & PURGE_RXCLEAR)
                line_->queue_.clear();
        });
    }
    bool ClearCommError(COMSTAT* stat) override {
        std::lock_guard lock(line_->mu_);
        ++line_->status_.clearErrors;
        if (stat) {
            stat->cbInQue = static_cast<DWORD>(line_->queue_.size());
            stat->cbOutQue = line_->write_ ? static_cast<DWORD>(line_->write_->src.size()) : 0;
        }
        return IsOpen();
    }

    DWORD ReadFile(std::span<BYTE> dest, OVERLAPPED& ov) override {
        std::lock_guard lock(line_->mu_);
        if (!IsOpen())
            return ERROR_INVALID_HANDLE;
        if (line_->failures_.readStart != 0)
            return line_->failures_.readStart;
        ++line_->status_.readsStarted;
        Begin(ov);
        line_->read_ = Pending{dest, {}, nullptr, &ov};
        line_->TryFinishRead();
        line_->Changed();
        return line_->read_ ? ERROR_IO_PENDING : ERROR_SUCCESS;
    }

    DWORD ReadFileWhenData(std::span<BYTE> dest, OVERLAPPED& ov) override {
        const DWORD r = ReadFile(dest, ov);
        std::lock_guard lock(line_->mu_);
        if (r == ERROR_SUCCESS || r == ERROR_IO_PENDING)
            ++line_->status_.readsWhenData;
        return r;
    }

    DWORD WriteFile(std::span<const BYTE> src, OVERLAPPED& ov) override {
        std::lock_guard lock(line_->mu_);
        if (!IsOpen())
            return ERROR_INVALID_HANDLE;
        if (line_->failures_.writeStart != 0)
            return line_->failures_.writeStart;
        auto& s = line_->status_;
        ++s.writesStarted;
        Begin(ov);
        s.written.insert(s.written.end(), src.begin(), src.end());
        line_->Changed();
        if (line_->holdWrites_) {
            line_->write_ = Pending{{}, src, nullptr, &ov};
            return ERROR_IO_PENDING;
        }
        Complete(&ov, line_->failures_.writeResult, src.size());
        return ERROR_SUCCESS;
    }

    DWORD WaitCommEvent(DWORD* mask, OVERLAPPED& ov) override {
        std::lock_guard lock(line_->mu_);
        if (!IsOpen())
            return ERROR_INVALID_HANDLE;
        if (line_->failures_.lineStart != 0)
            return line_->failures_.lineStart;
        ++line_->status_.lineWaitsStarted;
        Begin(ov);
        line_->line_ = Pending{{}, {}, mask, &ov};
        line_->Changed();
        return ERROR_IO_PENDING;
    }

    DWORD GetOverlappedResult(const OVERLAPPED& ov, DWORD* transferred) override {
        std::lock_guard lock(line_->mu_);
        *transferred = ov.InternalHigh;
        return ov.Internal == ERROR_IO_PENDING ? ERROR_IO_INCOMPLETE : ov.Internal;
    }

    bool GetCommModemStatus(DWORD* status) override {
        std::lock_guard lock(line_->mu_);
        if (!IsOpen() || line_->failures_.modemStatus)
            return false;
        *status = line_->modemStatus_;
        return true;
    }

    DWORD EscapeCommFunction(LineFunction function) override {
        std::lock_guard lock(line_->mu_);
        if (!IsOpen())
            return ERROR_INVALID_HANDLE;
        if (line_->failures_.escape != 0)
            return line_->failures_.escape;
        line_->status_.lineChanges.push_back({function, std::chrono::steady_clock::now()});
        line_->Changed();
        return ERROR_SUCCESS;
    }

    void Close() override {
        std::lock_guard lock(line_->mu_);
        if (!IsOpen())
            return;
        line_->openDevice_ = nullptr;
        line_->read_.reset();
        line_->write_.reset();
        line_->line_.reset();
        auto& s = line_->status_;
        ++s.closes;
        s.isOpen = false;
        line_->Changed();
    }

  private:
    bool IsOpen() const { return line_->openDevice_ == this; }

    // Records a configuration call, which fails when the test has switched `fails` on.
    template <typename F>
    bool Step(bool Failures::*fails, F record) {
        std::lock_guard lock(line_->mu_);
        if (!IsOpen())
            return false;
        record(line_->status_);
        line_->Changed();
        return !(line_->failures_.*fails);
    }

    std::shared_ptr<FakeCommLine> line_;
};

std::shared_ptr<FakeCommLine> FakeCommLine::Create() {
    return std::shared_ptr<FakeCommLine>(new FakeCommLine());
}

CommDeviceFactory FakeCommLine::Factory() {
    return [self = shared_from_this()]() -> std::unique_ptr<CommDevice> {
        return std::make_unique<Device>(self);
    };
}

void FakeCommLine::SetFailures(const Failures& failures) {
    std::lock_guard lock(mu_);
    failures_ = failures;
}

void FakeCommLine::SetModemStatus(DWORD status) {
    std::lock_guard lock(mu_);
    modemStatus_ = status;
}

void FakeCommLine::HoldWrites(bool hold) {
    std::lock_guard lock(mu_);
    holdWrites_ = hold;
}

void FakeCommLine::ShortReads(bool shortReads) {
    std::lock_guard lock(mu_);
    shortReads_ = shortReads;
    TryFinishRead();
}

void FakeCommLine::Feed(std::span<const BYTE> bytes) {
    std::lock_guard lock(mu_);
    queue_.insert(queue_.end(), bytes.begin(), bytes.end());
    TryFinishRead();
    Changed();
}

void FakeCommLine::FinishRead() {
    std::lock_guard lock(mu_);
    if (!read_)
        return;
    FinishPendingRead(failures_.readResult);
    Changed();
}

void FakeCommLine::CompleteWrite() {
    std::lock_guard lock(mu_);
    if (!write_)
        return;
    Complete(write_->ov, failures_.writeResult, write_->src.size());
    write_.reset();
    Changed();
}

void FakeCommLine::RaiseLineEvent(DWORD mask) {
    std::lock_guard lock(mu_);
    if (!line_)
        return;
    *line_->mask = mask;
    Complete(line_->ov, failures_.lineResult, 0);
    line_.reset();
    Changed();
}

FakeCommLine::Status FakeCommLine::Snapshot() const {
    std::lock_guard lock(mu_);
    return StatusLocked();
}

FakeCommLine::Status FakeCommLine::StatusLocked() const {
    Status s = status_;
    s.readPending = read_.has_value();
    s.pendingReadSize = read_ ? read_->dest.size() : 0;
    s.writePending = write_.has_value();
    s.lineWaitPending = line_.has_value();
    s.queued = queue_.size();
    return s;
}

bool FakeCommLine::Wait(const std::function<bool(const Status&)>& pred,
                        std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mu_);
    return cv_.wait_for(lock, timeout, [&] { return pred(StatusLocked()); });
}

void FakeCommLine::TryFinishRead() {
    if (read_ && (queue_.size() >= read_->dest.size() || (shortReads_ && !queue_.empty())))
        FinishPendingRead(failures_.readResult);
}

void FakeCommLine::FinishPendingRead(DWORD status) {
    const std::size_t n = std::min(queue_.size(), read_->dest.size());
    if (n > 0)
        std::memcpy(read_->dest.data(), queue_.data(), n);
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(n));
    Complete(read_->ov, status, n);
    read_.reset();
}

}  // namespace platform
