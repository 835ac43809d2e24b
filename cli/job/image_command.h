// kven-cli image: how an image file is read, shown without a port.
#pragma once

#include "cli/command/options.h"

namespace cli {

// Reads the image as a job would (the INI's [IMAGE] base, --format, --base) and prints its
// format, addresses, base, size, bytes filled and digests; with --json one object. Returns 0,
// or 10 when a job would not start on it (after its message and details).
int ShowImage(const Options& options);

}  // namespace cli
