// kven-cli's settings: the desktop program's INI file, read and never written, with the
// command line on top.
//
// Threading: main thread only, before a job starts.
#pragma once

#include <string>

#include "cli/command/options.h"

namespace cli {

// The INI file of the desktop program, as that program would find it.
std::string DesktopIniPath();

// Reads the COM numbers of the INI's "PORTS" section into memory, without writing anything.
void LoadIniPorts(const std::string& iniPath);

// Fills AppSettings from the INI file and the options, and names the port.
void LoadJobSettings(const Options& options);

// The port as given on the command line, or "COMn" from the INI file.
std::string PortName(const Options& options);

}  // namespace cli
