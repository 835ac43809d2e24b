// kven-cli: the job engine from the command line.
#include <cstdio>
#include <string_view>
#include <vector>

#include "cli/command/interrupts.h"
#include "cli/command/options.h"
#include "cli/command/ports_command.h"
#include "cli/job/image_command.h"
#include "cli/job/run_job.h"
#include "cli/line/multi_port.h"
#include "cli/line/repeat.h"

int main(int argc, char** argv) {
    // Before any thread exists, so that only the interrupt watcher receives the signals.
    cli::PrepareInterrupts();

    std::vector<std::string_view> args(argv + 1, argv + argc);
    const cli::ParseResult parsed = cli::ParseOptions(args);
    if (!parsed.options) {
        std::fprintf(stderr, "kven-cli: %s\n%s", parsed.error.c_str(), cli::UsageText().c_str());
        return cli::kUsageExit;
    }
    const cli::Options& o = *parsed.options;
    switch (o.command) {
        case cli::Command::Help:
            std::fputs(cli::UsageText().c_str(), stdout);
            return 0;
        case cli::Command::Version:
            std::printf("kven-cli %s\n", KVEN_VERSION);
            return 0;
        case cli::Command::Ports:
            return cli::ListPorts(o);
        case cli::Command::Image:
            return cli::ShowImage(o);
        case cli::Command::Program:
        case cli::Command::EepSum:
            if (o.ports.size() > 1)
                return cli::RunPorts(o, args);
            return o.repeat ? cli::RunRepeat(o) : cli::RunJob(o);
    }
    return cli::kUsageExit;
}
