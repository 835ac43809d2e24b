// An error code in the system's own words, for what the operator is told beneath a failure:
// strerror's text for an errno value on Linux, FormatMessage's for a GetLastError code on
// Windows.
//
// Threading: any thread.
#pragma once

#include <string>

namespace platform {

std::string SystemErrorText(long code);

}  // namespace platform
