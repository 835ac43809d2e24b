// The settings every dialog test starts from: COM1 at 115200, 8 data bits, an image that
// need not exist, EEP Sum enabled, and the INI file in the test's own folder.
#pragma once

#include "settings/app_settings.h"
#include "support/temp_dir.h"

namespace testing_support {

inline void DefaultSettings(const TempDir& dir) {
    AppSettings = {};
    AppSettings.iniPath = dir.File("kven.INI");
    AppSettings.port = 1;
    AppSettings.baudRate = 115200;
    AppSettings.byteSize = 8;
    AppSettings.tranFile = "/images/app.bin";
    AppSettings.eepsumShowEnable = 1;
}

}  // namespace testing_support
