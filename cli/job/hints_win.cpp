// Hints after a failed start on Windows: which ports exist, and that another program holds the
// port (Windows opens a COM port for one program at a time).
#include "cli/job/hints.h"
#include "platform/com_ports.h"

namespace cli {

std::vector<std::string> OpenFailureHints(const std::string& message, int,
                                          const platform::termios2::LineSettings&) {
    // What was looked for and why it failed are the message's details already; these add what
    // a terminal can do about it.
    if (message != "COM port can not be found")
        return {};
    std::vector<std::string> hints;
    const auto ports = platform::EnumerateSerialPorts();
    if (ports.empty()) {
        hints.push_back("no serial ports are present");
    } else {
        for (const auto& p : ports)
            hints.push_back("present: " + p.name + " (" + p.driver + ")");
    }
    hints.push_back(
        "give a device directly with --port \\\\.\\NAME, or list them: "
        "kven-cli ports");
    return hints;
}

}  // namespace cli
