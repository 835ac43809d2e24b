// One port's kven-cli process, started by the process that runs several ports. Its standard
// output comes back on a pipe and is read line by line; its standard error is shared.
//
// Threading: used by one thread.
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/unique_fd.h"

namespace cli {

class PortProcess {
  public:
    // Starts `program` with `args` (args[0] is the program's name); nothing and the reason in
    // *error when it cannot start.
    static std::unique_ptr<PortProcess> Start(const std::string& program,
                                              const std::vector<std::string>& args,
                                              std::string* error);
    // A process not yet waited for is asked to end (SIGTERM) and waited for.
    ~PortProcess();
    PortProcess(const PortProcess&) = delete;
    PortProcess& operator=(const PortProcess&) = delete;

    // The pipe to poll; -1 once the output has ended.
    int Fd() const { return out_.Get(); }
    // Reads what the pipe holds and appends the complete lines to `lines`; at the end of the
    // output, the unterminated rest too.
    void ReadLines(std::vector<std::string>& lines);
    void Signal(int sig) const;
    // Waits for the process to end: its exit status, or 128 + the signal that killed it.
    int Wait();

  private:
    PortProcess(pid_t pid, platform::UniqueFd out) : pid_(pid), out_(std::move(out)) {}

    pid_t pid_;
    platform::UniqueFd out_;
    std::string partial_;
    std::optional<int> status_;
};

}  // namespace cli
