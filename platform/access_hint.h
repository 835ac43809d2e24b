// What to tell an operator whose COM port could not be accessed: the device behind the number
// and why it may be refused, in the words of the platform (groups and permissions on Linux,
// another program holding the port on Windows).
//
// Threading: any thread; reads the COM table (com_ports.h) and the device's attributes.
#pragma once

#include <string>

namespace platform {

// A hint of one or more lines for an access failure on COM `port`.
std::string AccessHint(int port);

}  // namespace platform
