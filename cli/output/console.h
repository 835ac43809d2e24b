// The terminal kven-cli writes to.
//
// Threading: main thread.
#pragma once

namespace cli {

// True when standard output is a terminal that takes the cursor movements of the live
// display (on Windows a console, switched to them here; an older console that cannot be
// switched counts as no terminal).
bool StdoutIsTerminal();

}  // namespace cli
