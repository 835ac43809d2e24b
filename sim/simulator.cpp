#include "sim/simulator.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>

#include "sim/loader_priority.h"
#include "sim/loader_session.h"

namespace sim {

namespace {

constexpr std::chrono::milliseconds kReadLimit{2000};

std::string ReadLink(const std::string& path) {
    std::array<char, 4096> target{};
    const auto n = ::readlink(path.c_str(), target.data(), target.size() - 1);
    return n > 0 ? std::string(target.data(), static_cast<std::size_t>(n)) : std::string();
}

// Points `link` at `target` in one step (a new link renamed over the old one).
bool PlaceLink(const std::string& link, const std::string& target, std::string* error) {
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        *error = link + " exists and is not a symbolic link";
        return false;
    }
    const std::string temporary = link + ".kven-sim." + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0 ||
        ::rename(temporary.c_str(), link.c_str()) != 0) {
        *error = "cannot link " + link + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

std::string CheckConfig(const LoaderConfig& config) {
    if (config.packetSize == 0) {
        return "the packet size must be 1 to 255";
    }
    if (!std::isfinite(config.eraseScale) || config.eraseScale < 0 || config.eraseScale > 100) {
        return "the erase scale must be 0 to 100";
    }
    if (config.idleTimeout.count() <= 0) {
        return "the idle time-out must be positive";
    }
    return {};
}

}  // namespace

std::unique_ptr<Simulator> Simulator::Start(const LoaderConfig& config,
                                            const SimulatorOptions& options, std::string* error) {
    std::string reason = CheckConfig(config);
    std::unique_ptr<Simulator> simulator;
    if (reason.empty()) {
        simulator = std::make_unique<Simulator>(Token{}, config, options);
        if (simulator->OpenLine(&reason)) {
            simulator->thread_ = std::thread([s = simulator.get()] { s->Serve(); });
        } else {
            simulator.reset();
        }
    }
    if (!simulator && error != nullptr) {
        *error = reason;
    }
    return simulator;
}

Simulator::Simulator(Token, const LoaderConfig& config, const SimulatorOptions& options)
    : config_(config),
      options_(options),
      swap_(options.sessionsPerBoard, options.swapDelay, options.startEmpty),
      flash_(kFlashSize, std::uint8_t{0xFF}),
      board_(config) {}

Simulator::~Simulator() {
    Stop();
    if (thread_.joinable()) {
        thread_.join();
    } else {
        CloseLine();  // Start failed half-way or never ran the thread
    }
}

std::string Simulator::SlavePath() const {
    std::lock_guard lock(mutex_);
    return slavePath_;
}

std::optional<SessionResult> Simulator::WaitForSession(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [this] { return !results_.empty() || ended_; });
    if (results_.empty()) {
        return std::nullopt;
    }
    SessionResult result = std::move(results_.front());
    results_.pop_front();
    return result;
}

std::optional<SessionResult> Simulator::WaitForSession() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !results_.empty() || ended_; });
    if (results_.empty()) {
        return std::nullopt;
    }
    SessionResult result = std::move(results_.front());
    results_.pop_front();
    return result;
}

void Simulator::Stop() {
    stop_.Notify();
}

bool Simulator::Ended() const {
    std::lock_guard lock(mutex_);
    return ended_;
}

bool Simulator::InsertBoard(std::optional<std::vector<Fault>> faults) {
    return swap_.Insert(std::move(faults));
}

bool Simulator::WaitUntilProbedEmpty(std::chrono::milliseconds timeout) {
    return swap_.WaitUntilProbedEmpty(timeout);
}

bool Simulator::OpenLine(std::string* error) {
    pty_ = options_.devicePath.empty() ? PtyPair::Open(error)
                                       : PtyPair::Attach(options_.devicePath, error);
    if (!pty_) {
        return false;
    }
    if (!options_.linkPath.empty() && !PlaceLink(options_.linkPath, pty_->SlavePath(), error)) {
        pty_.reset();
        return false;
    }
    line_.emplace(pty_->Master(), stop_.Fd(), config_.baud,
                  std::chrono::milliseconds(DribbleMs(config_.faults)));
    std::lock_guard lock(mutex_);
    slavePath_ = pty_->SlavePath();
    return true;
}

void Simulator::CloseLine() {
    if (!pty_) {
        return;
    }
    pty_->WaitUntilRead(kReadLimit);
    line_.reset();
    if (!options_.linkPath.empty() && ReadLink(options_.linkPath) == pty_->SlavePath()) {
        ::unlink(options_.linkPath.c_str());
    }
    pty_.reset();
}

bool Simulator::ReopenLine() {
    CloseLine();
    std::string ignored;
    return !stop_.Notified() && OpenLine(&ignored);
}

void Simulator::Serve() {
    (void)RaiseLoaderPriority();
    std::optional<Mode> pending;  // a link request that interrupted the previous session
    std::uint32_t served = 0;
    for (;;) {
        if (swap_.Empty()) {
            if (!AwaitBoard(pending)) {
                break;
            }
            continue;
        }
        Mode mode = Mode::Program;
        if (pending) {
            mode = *pending;
            pending.reset();
        } else {
            const LinkWait wait = WaitForLink(*line_);
            if (wait.status == Line::Status::Stopped) {
                break;
            }
            if (wait.status != Line::Status::Ok) {
                if (!ReopenLine()) {
                    break;
                }
                continue;
            }
            mode = wait.mode;
        }

        LoaderConfig config = board_;
        config.faults = FaultsOfSession(board_.faults, ++boardSessions_);
        LoaderSession session(config, flash_, *line_);
        SessionResult result = session.Run(mode);
        if (result.ending == Ending::Resync) {
            pending = session.NextMode();
        }
        bool lineOpen = true;
        if (result.ending == Ending::HungUp || result.ending == Ending::Broken) {
            lineOpen = ReopenLine();
        }
        const bool stopped = result.ending == Ending::Stopped;
        swap_.SessionEnded();  // before the result is out, so a waiter finds the board gone
        Publish(std::move(result));
        ++served;
        if (stopped || !lineOpen) {
            break;
        }
        if (options_.maxSessions > 0 && served >= options_.maxSessions) {
            // The host has its last reply only once it has closed the port (see pty.h).
            pty_->WaitUntilHostCloses(kReadLimit);
            break;
        }
    }
    CloseLine();
    std::lock_guard lock(mutex_);
    ended_ = true;
    changed_.notify_all();
}

// The socket is empty until the next board is in. A link request that already opened the next
// session finds no board either.
bool Simulator::AwaitBoard(std::optional<Mode>& pending) {
    if (pending) {
        swap_.Heard();
        pending.reset();
    }
    for (;;) {
        BoardSwap::Faults faults;
        const auto status = swap_.ServeEmpty(*line_, pty_->Master(), stop_.Fd(), faults);
        if (status == Line::Status::Ok) {
            if (faults) {
                board_.faults = std::move(*faults);
            }
            boardSessions_ = 0;
            return true;
        }
        if (status == Line::Status::Stopped || !ReopenLine()) {
            return false;
        }
    }
}

void Simulator::Publish(SessionResult result) {
    std::lock_guard lock(mutex_);
    results_.push_back(std::move(result));
    changed_.notify_all();
}

}  // namespace sim
