#include "cli/line/multi_port.h"

#include <poll.h>
#include <sys/signalfd.h>

#include <cerrno>
#include <csignal>
#include <memory>

#include "cli/job/image_command.h"
#include "cli/job/run_job.h"
#include "cli/line/port_process.h"
#include "cli/line/port_table.h"
#include "platform/module_path.h"
#include "platform/unique_fd.h"

namespace cli {
namespace {

using Processes = std::vector<std::unique_ptr<PortProcess>>;

void PassOnSignal(int signalFd, const Processes& processes) {
    signalfd_siginfo info{};
    if (::read(signalFd, &info, sizeof info) != static_cast<ssize_t>(sizeof info))
        return;
    for (const auto& p : processes) {
        if (p)
            p->Signal(static_cast<int>(info.ssi_signo));
    }
}

// Shows what the processes report until every one has closed its output.
void Follow(const Processes& processes, PortTable& table, int signalFd) {
    for (;;) {
        std::vector<pollfd> fds;
        std::vector<std::size_t> owners;
        for (std::size_t i = 0; i < processes.size(); ++i) {
            if (processes[i] && processes[i]->Fd() >= 0) {
                fds.push_back({processes[i]->Fd(), POLLIN, 0});
                owners.push_back(i);
            }
        }
        if (fds.empty())
            return;
        fds.push_back({signalFd, POLLIN, 0});
        const auto redraw = table.Draw();
        if (::poll(fds.data(), fds.size(), redraw ? static_cast<int>(redraw->count()) : -1) < 0 &&
            errno != EINTR)
            return;
        if (fds.back().revents & POLLIN)
            PassOnSignal(signalFd, processes);
        for (std::size_t k = 0; k < owners.size(); ++k) {
            if (fds[k].revents == 0)
                continue;
            std::vector<std::string> lines;
            processes[owners[k]]->ReadLines(lines);
            for (const std::string& line : lines)
                table.Line(owners[k], line);
        }
    }
}

}  // namespace

int RunPorts(const Options& o, const std::vector<std::string_view>& args) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    const platform::UniqueFd signalFd(::signalfd(-1, &signals, SFD_CLOEXEC));

    // Every port programs the same image: it is shown once, before the ports start.
    ShowImageLine(o, stdout);
    PortTable table(ChooseStyle(o), o.repeat, o.ports, stdout, stderr);
    const std::string self = platform::GetModuleFileName();
    Processes processes;
    for (const std::string& port : o.ports) {
        std::vector<std::string> argv =
            PortProcessArgs(args, port, o.json ? "--json" : "--progress");
        argv.insert(argv.begin(), "kven-cli");
        std::string error;
        processes.push_back(PortProcess::Start(self, argv, &error));
        if (!processes.back())
            std::fprintf(stderr, "kven-cli: %s: %s\n", port.c_str(), error.c_str());
    }
    Follow(processes, table, signalFd.Get());

    std::vector<int> statuses;
    for (const auto& p : processes)
        statuses.push_back(p ? p->Wait() : kResultStartFailedExit);
    table.Finish(statuses);
    for (const int status : statuses) {
        if (status != 0)
            return status;
    }
    return 0;
}

}  // namespace cli
