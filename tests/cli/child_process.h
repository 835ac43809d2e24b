// Runs a program as a child process with its output captured, for tests.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace testing_support {

class ChildProcess {
  public:
    explicit ChildProcess(const std::vector<std::string>& args) {
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~ChildProcess() {
        if (pid_ > 0 && status_ < 0) {
            ::kill(pid_, SIGKILL);
            Wait(std::chrono::seconds(10));
        }
        if (out_ >= 0)
            ::close(out_);
        if (err_ >= 0)
            ::close(err_);
    }

    // Reads output until `until` holds for what was read so far, or the output ends, or the
    // time-out passes. True when `until` held.
    bool ReadUntil(const std::function<bool()>& until, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!until()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || (out_ < 0 && err_ < 0))
                return until();
            pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
            if (::poll(fds, 2, static_cast<int>(left.count())) <= 0)
                continue;
            Drain(fds[0], out_, stdout_);
            Drain(fds[1], err_, stderr_);
        }
        return true;
    }

    // Waits for the child to end, reading all its output. Returns its exit status, or -1.
    int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(120)) {
        ReadUntil([this] { return out_ < 0 && err_ < 0; }, timeout);
        if (pid_ > 0 && status_ < 0) {
            int st = 0;
            if (::waitpid(pid_, &st, 0) == pid_) {
                status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            }
        }
        return status_;
    }

    void Signal(int sig) {
        if (pid_ > 0 && status_ < 0)  // never kill(-1, ...): that reaches every process
            ::kill(pid_, sig);
    }
    const std::string& Out() const { return stdout_; }
    const std::string& Err() const { return stderr_; }

  private:
    static void Drain(const pollfd& p, int& fd, std::string& into) {
        if (fd < 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR)))
            return;
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            into.append(buf, static_cast<std::size_t>(n));
        } else {
            ::close(fd);
            fd = -1;
        }
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    int status_ = -1;
    std::string stdout_;
    std::string stderr_;
};

}  // namespace testing_support
