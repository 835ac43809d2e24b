#include "cli/output/display.h"

namespace cli {

void ShowMessage(Display& display, std::string_view text, std::string_view details) {
    display.Message(text);
    while (!details.empty()) {
        const auto end = details.find('\n');
        display.Hint(details.substr(0, end));
        details = end == std::string_view::npos ? std::string_view{} : details.substr(end + 1);
    }
}

}  // namespace cli
