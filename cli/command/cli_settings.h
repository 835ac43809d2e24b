// kven-cli's settings: the desktop program's INI file, read and never written, with the
// command line on top.
//
// Threading: main thread only, before a job starts.
#pragma once

#include <cstdint>
#include <string>

#include "cli/command/options.h"

namespace cli {

// The INI file of the desktop program, as that program would find it.
std::string DesktopIniPath();

// Reads the COM numbers of the INI's "PORTS" section into memory, without writing anything.
void LoadIniPorts(const std::string& iniPath);

// Fills AppSettings from the INI file and the options, and names the port.
void LoadJobSettings(const Options& options);

// The job's port as it stands now: its COM number (0: none) and device, and for a usb: name
// that names no device or several, why.
struct JobPort {
    std::int32_t number = 0;
    std::string device;
    std::string problem;
};
// The port of --port (a COM number, a device path or a usb: name), else the INI's.
JobPort ChoosePort(const Options& options);

// The port as given on the command line, or "COMn" from the INI file.
std::string PortName(const Options& options);

}  // namespace cli
