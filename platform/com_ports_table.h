// The parts of the COM number table that each platform's com_ports file shares, and the hooks
// each platform defines. Internal to platform/.
//
// Threading: as com_ports.h.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace platform {

// The number in "COMn" (any case, no leading zero, 1..255), or 0.
int ComNumber(std::string_view name);
// The lowest number without an entry in `ports`; 0 when all are taken.
int LowestFree(const std::map<int, std::string>& ports);
// Replaces the whole table.
void ReplaceComDevices(std::map<int, std::string> ports);

// Per platform. What COM `n` opens when the table names nothing: on Windows the system's own
// port "\\.\COMn"; on Linux nothing (empty).
std::string SystemComDevice(int n);
// The number of a device path that names a system port by its number ("\\.\COM7" is 7 on
// Windows); 0 for anything else.
int SystemComNumber(std::string_view path);

}  // namespace platform
