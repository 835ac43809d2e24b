#include "platform/access_hint.h"

namespace platform {

std::vector<std::string> AccessHints(const std::string&) {
    // Windows gives a COM port to one program at a time.
    return {"Another program is using it; close that program and try again."};
}

}  // namespace platform
