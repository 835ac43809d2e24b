#include "settings/app_settings.h"

#include <filesystem>
#include <system_error>

#include "platform/module_path.h"
#include "platform/profile.h"
#include "settings/ini_location.h"

AppSettingsRecord AppSettings;

namespace {

// The default output path: the INI file's folder with `fileName`.
std::string BesideIni(const std::string& fileName) {
    return (std::filesystem::path(AppSettings.iniPath).parent_path() / fileName).string();
}

}  // namespace

void InitSettings() {
    InitSettingsFor(platform::GetModuleFileName());
}

void InitSettingsFor(const std::string& exePath) {
    const std::string configDir = UserConfigDir();
    AppSettings.iniPath = IniPathForExecutable(exePath, configDir, DirectoryWritable);
    if (!configDir.empty() && AppSettings.iniPath.starts_with(configDir)) {
        std::error_code ec;
        std::filesystem::create_directories(configDir, ec);
    }
    LoadSettings();
    SaveSettings();
}

void LoadSettings() {
    const platform::IniFile ini = platform::IniFile::Load(AppSettings.iniPath);
    const auto integer = [&](const char* key, std::int32_t def) {
        const auto v = ini.Get(kSettingsSection, key);
        return v ? platform::ParseProfileInt(*v) : def;
    };
    // Paths are kept whole: a Linux path may be longer than the 259 characters a Windows one
    // could hold, and one cut short names another file, or none.
    const auto text = [&](const char* key) { return ini.Get(kSettingsSection, key).value_or(""); };
    const auto low8 = [](std::int32_t v) { return static_cast<std::uint8_t>(v & 0xFF); };

    AppSettings.port = low8(integer("PORT", 1));
    AppSettings.baudRate = integer("BAUDRATE", 115200);
    AppSettings.byteSize = low8(integer("BYTESIZE", 8));
    AppSettings.parity = low8(integer("PARITY", 0));
    AppSettings.stopBits = low8(integer("STOPBITS", 0));
    AppSettings.tranFile = text("TRANFILE");
    AppSettings.outputEnable = low8(integer("OUTPUT ENABLE", 1));
    AppSettings.outputFile = text("OUTPUT FILE");
    if (AppSettings.outputFile.empty())
        AppSettings.outputFile = BesideIni("verify.bin");
    AppSettings.eepsumShowEnable = low8(integer("EEPSUM SHOW ENABLE", 0));
    AppSettings.eepsumOutputEnable = low8(integer("EEPSUM OUTPUT ENABLE", 0));
    AppSettings.eepsumFile = text("EEPSUM FILE");
    if (AppSettings.eepsumFile.empty())
        AppSettings.eepsumFile = BesideIni("EEPSUM.bin");
    AppSettings.imageBase = ini.Get(kImageSection, kImageBaseKey).value_or("");
}

void SaveSettings() {
    // One read, eleven changes, one atomic replace: the file is never seen half-written.
    platform::IniFile ini = platform::IniFile::Load(AppSettings.iniPath);
    const auto put = [&](const char* key, const std::string& v) {
        (void)ini.Set(kSettingsSection, key, v);
    };
    put("PORT", std::to_string(AppSettings.port));
    put("BAUDRATE", std::to_string(AppSettings.baudRate));
    put("BYTESIZE", std::to_string(AppSettings.byteSize));
    put("PARITY", std::to_string(AppSettings.parity));
    put("STOPBITS", std::to_string(AppSettings.stopBits));
    put("TRANFILE", AppSettings.tranFile);
    put("OUTPUT ENABLE", std::to_string(AppSettings.outputEnable));
    put("OUTPUT FILE", AppSettings.outputFile);
    put("EEPSUM SHOW ENABLE", std::to_string(AppSettings.eepsumShowEnable));
    put("EEPSUM OUTPUT ENABLE", std::to_string(AppSettings.eepsumOutputEnable));
    put("EEPSUM FILE", AppSettings.eepsumFile);
    (void)ini.Save(AppSettings.iniPath);
}
