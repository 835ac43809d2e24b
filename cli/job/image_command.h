// kven-cli image: how an image file is read, shown without a port.
#pragma once

#include <cstdio>

#include "cli/command/options.h"

namespace cli {

// Reads the image as a job would (the INI's [IMAGE] base, --format, --base) and prints its
// format, addresses, base, size, bytes filled and digests; with --json one object. Returns 0,
// or 10 when a job would not start on it (after its message and details).
int ShowImage(const Options& options);

// The line a job prints of its image with addresses ("image: Intel HEX, data ..."), for the
// process that runs several ports, whose jobs run in other processes; nothing for a raw
// binary, for --json and --quiet, or for an image that cannot be read (each port's job says
// why).
void ShowImageLine(const Options& options, std::FILE* out);

}  // namespace cli
