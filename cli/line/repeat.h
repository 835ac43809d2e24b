// Board after board on one port (--repeat).
#pragma once

#include "cli/command/options.h"

namespace cli {

// Programs one board after another until Ctrl+C, then shows the tally. A board counts from
// the moment its loader answers the link request; silence there means no board yet. After a
// board, the next link counts only once the line has gone silent (the board left), so a
// board is never taken twice. Returns 0 when every board succeeded, else the last failure's
// code; 10 when a job could not start. PrepareInterrupts must have run first.
int RunRepeat(const Options& options);

}  // namespace cli
