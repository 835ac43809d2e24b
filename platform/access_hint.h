// What to tell an operator whose COM port could not be accessed: why the device behind the
// number may be refused and what to do, in the words of the platform (groups and permissions
// on Linux, another program holding the port on Windows).
//
// Threading: any thread; reads the device's attributes.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Advice, a sentence a line, for an access failure on `device`.
std::vector<std::string> AccessHints(const std::string& device);

}  // namespace platform
