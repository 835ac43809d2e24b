#include "cli/output/console.h"

#include <unistd.h>

namespace cli {

bool StdoutIsTerminal() {
    return ::isatty(STDOUT_FILENO);
}

}  // namespace cli
