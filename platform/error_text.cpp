#include "platform/error_text.h"

#include <system_error>

namespace platform {

std::string SystemErrorText(long code) {
    return std::generic_category().message(static_cast<int>(code));
}

}  // namespace platform
