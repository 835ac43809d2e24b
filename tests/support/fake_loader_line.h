// The simulated loader on a fake comm line instead of a pseudo-terminal: a device that has
// modem lines, whose every change of DTR and RTS the fake records, with a whole loader behind
// it. The loader serves one session on its own thread.
//
// Threading: the loader thread reads what the host wrote and feeds its replies through the
// fake line, which is thread-safe; the test thread waits for the session's result.
#pragma once

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "platform/comm_fake.h"
#include "sim/loader_config.h"
#include "sim/loader_session.h"

namespace testing_support {

// The loader's end of the fake line: the bytes the host wrote come in, the replies are fed.
class FakeLoaderLine final : public sim::Line {
  public:
    explicit FakeLoaderLine(std::shared_ptr<platform::FakeCommLine> line) : line_(std::move(line)) {
        line_->ShortReads(true);
    }

    Status ReadByte(std::uint8_t& out, Clock::time_point deadline) override {
        const auto left =
            deadline == Clock::time_point::max()
                ? std::chrono::milliseconds(std::chrono::hours(1))
                : std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        // The host closing its port ends the loader's wait: the job is over.
        const auto ready = [this](const platform::FakeCommLine::Status& s) {
            return s.written.size() > consumed_ || s.closes > 0;
        };
        if (!line_->Wait(ready, std::max(left, std::chrono::milliseconds(0))))
            return Status::Timeout;
        const auto s = line_->Snapshot();
        if (s.written.size() <= consumed_)
            return Status::Broken;
        out = s.written[consumed_++];
        return Status::Ok;
    }

    Status Write(std::span<const std::uint8_t> bytes) override {
        line_->Feed(bytes);
        return Status::Ok;
    }

    Status Pause(Clock::duration duration) override {
        std::this_thread::sleep_for(duration);  // the loader is busy erasing
        return Status::Ok;
    }

  private:
    std::shared_ptr<platform::FakeCommLine> line_;
    std::size_t consumed_ = 0;
};

// A loader that serves one session on `line` from its own thread, committing `faults`.
class FakeLoader {
  public:
    using Clock = std::chrono::steady_clock;
    struct Session {
        sim::SessionResult result;
        Clock::time_point linked;  // when the link request had come
    };

    explicit FakeLoader(std::shared_ptr<platform::FakeCommLine> line,
                        std::vector<sim::Fault> faults = {})
        : line_(std::move(line)) {
        sim::LoaderConfig config;
        config.eraseScale = 0.002;
        config.packetSize = 255;
        config.faults = std::move(faults);
        thread_ = std::thread([this, config] {
            FakeLoaderLine loader(line_);
            std::vector<std::uint8_t> flash(sim::kFlashSize, 0xFF);
            const sim::LinkWait wait = sim::WaitForLink(loader);
            if (wait.status != sim::Line::Status::Ok) {
                session_.set_value(std::nullopt);
                return;
            }
            const auto linked = Clock::now();
            sim::LoaderSession session(config, flash, loader);
            session_.set_value(Session{session.Run(wait.mode), linked});
        });
    }
    ~FakeLoader() { thread_.join(); }
    FakeLoader(const FakeLoader&) = delete;
    FakeLoader& operator=(const FakeLoader&) = delete;

    // The session, once the host has closed its port; nothing when no link request came.
    std::optional<Session> Result() { return session_.get_future().get(); }

  private:
    std::shared_ptr<platform::FakeCommLine> line_;
    std::promise<std::optional<Session>> session_;
    std::thread thread_;
};

}  // namespace testing_support
