#include "cli/line/port_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

extern char** environ;

namespace cli {
namespace {

// Spawn attributes that give the child the default signal mask: this process blocks SIGINT
// and SIGTERM for its signal thread, and the child sets up its own.
class SpawnSetup {
  public:
    SpawnSetup() {
        posix_spawnattr_init(&attr_);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attr_, &none);
        posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK);
        posix_spawn_file_actions_init(&actions_);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attr_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawnattr_t attr_;
    posix_spawn_file_actions_t actions_;
};

}  // namespace

std::unique_ptr<PortProcess> PortProcess::Start(const std::string& program,
                                                const std::vector<std::string>& args,
                                                std::string* error) {
    std::array<int, 2> pipe{-1, -1};
    if (::pipe2(pipe.data(), O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return nullptr;
    }
    platform::UniqueFd readEnd(pipe[0]);
    const platform::UniqueFd writeEnd(pipe[1]);
    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.actions_, writeEnd.Get(), STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&setup.actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc =
        posix_spawn(&pid, program.c_str(), &setup.actions_, &setup.attr_, argv.data(), environ);
    if (rc != 0) {
        *error = "cannot start " + program + ": " + std::strerror(rc);
        return nullptr;
    }
    return std::unique_ptr<PortProcess>(new PortProcess(pid, std::move(readEnd)));
}

PortProcess::~PortProcess() {
    if (!status_) {
        Signal(SIGTERM);
        Wait();
    }
}

void PortProcess::ReadLines(std::vector<std::string>& lines) {
    std::array<char, 4096> buffer{};
    ssize_t n = 0;
    do {
        n = ::read(out_.Get(), buffer.data(), buffer.size());
    } while (n < 0 && errno == EINTR);
    if (n > 0)
        partial_.append(buffer.data(), static_cast<std::size_t>(n));
    for (auto nl = partial_.find('\n'); nl != std::string::npos; nl = partial_.find('\n')) {
        lines.push_back(partial_.substr(0, nl));
        partial_.erase(0, nl + 1);
    }
    if (n == 0 || (n < 0 && errno != EAGAIN)) {
        if (!partial_.empty())
            lines.push_back(std::exchange(partial_, {}));
        out_.Reset();
    }
}

void PortProcess::Signal(int sig) const {
    if (!status_)
        ::kill(pid_, sig);
}

int PortProcess::Wait() {
    if (status_)
        return *status_;
    int st = 0;
    pid_t got = -1;
    do {
        got = ::waitpid(pid_, &st, 0);
    } while (got < 0 && errno == EINTR);
    status_ = got != pid_ ? 127 : WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return *status_;
}

}  // namespace cli
