// The settings record and its INI file (section "CURRENT", eleven keys; section "IMAGE", read
// only, the base address of an image with addresses).
//
// Threading: the record is written only on the GUI thread (start-up and right before a job
// starts, while no job runs); a running job's threads only read it.
#pragma once

#include <cstdint>
#include <string>

struct AppSettingsRecord {
    std::int32_t port = 0;
    std::uint8_t byteSize = 0;
    std::uint8_t parity = 0;
    std::uint8_t stopBits = 0;
    std::int32_t baudRate = 0;
    std::string iniPath;
    std::string tranFile;
    std::string outputFile;
    std::uint8_t outputEnable = 0;
    std::string eepsumFile;
    std::uint8_t eepsumOutputEnable = 0;
    std::uint8_t eepsumShowEnable = 0;
    // An image with addresses (Intel HEX, S-record, ELF): its base as written in [IMAGE] or on
    // kven-cli's command line (empty: the lowest address in the file), and the format
    // kven-cli forces (empty: the file's name says).
    std::string imageBase;
    std::string imageFormat;
};

extern AppSettingsRecord AppSettings;

inline constexpr const char* kSettingsSection = "CURRENT";
inline constexpr const char* kImageSection = "IMAGE";
inline constexpr const char* kImageBaseKey = "BASE";

// Finds the INI file, loads it and saves it back at once.
void InitSettings();
// InitSettings for an executable at `exePath` (InitSettings passes the running one).
void InitSettingsFor(const std::string& exePath);
// Reads all eleven keys from AppSettings.iniPath, and the image's base.
void LoadSettings();
// Writes all eleven keys to AppSettings.iniPath (the image's base is the operator's to write).
// Failures are not reported; the record keeps its values. A path with a line break cannot be
// stored: its key keeps the value it had.
void SaveSettings();
