// kven-cli ports: the serial devices with their COM numbers.
#pragma once

#include "cli/command/options.h"

namespace cli {

int ListPorts(const Options& options);

}  // namespace cli
