// Where the INI file lives.
#pragma once

#include <functional>
#include <string>

// The INI path for an executable: its last three characters replaced by "INI" when its name
// ends in a dot and three characters (prog.exe -> prog.INI), else ".INI" appended
// (kven -> kven.INI). When the executable's folder is not writable (an installed program), the
// file goes to `configDir` instead, under the same file name.
std::string IniPathForExecutable(const std::string& exePath, const std::string& configDir,
                                 const std::function<bool(const std::string& dir)>& writable);

// $XDG_CONFIG_HOME/kven, else ~/.config/kven; on Windows %APPDATA%\kven.
std::string UserConfigDir();

// True when files can be created in `dir`.
bool DirectoryWritable(const std::string& dir);
