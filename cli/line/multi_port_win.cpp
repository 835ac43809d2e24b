// Several ports at once run one kven-cli process per port, which on Windows is not built yet:
// the command says so rather than running the ports one after another.
#include <cstdio>

#include "cli/line/multi_port.h"

namespace cli {

int RunPorts(const Options&, const std::vector<std::string_view>&) {
    std::fprintf(stderr,
                 "kven-cli: several ports at once are not supported on Windows; "
                 "start one kven-cli for each port\n");
    return kUsageExit;
}

}  // namespace cli
