// Data exchange with AppSettings and the INI file: the lists' entries, what the settings
// preselect, what a start stores and saves.
#include <functional>

#include "dialog_fixture.h"
#include "platform/profile.h"

namespace dialog_test {
namespace {

struct Preselection {
    const char* name;
    std::function<void()> set;
    int list;
    int index;
};

class DialogPreselection : public DialogTest, public ::testing::WithParamInterface<Preselection> {};

TEST_P(DialogPreselection, SelectsTheMatchingEntryOrNone) {
    GetParam().set();
    Create();
    EXPECT_EQ(window[GetParam().list].selection, GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, DialogPreselection,
    ::testing::Values(
        Preselection{"port3", [] { AppSettings.port = 3; }, IDC_PORT, 2},
        Preselection{"port0", [] { AppSettings.port = 0; }, IDC_PORT, -1},
        Preselection{"port255", [] { AppSettings.port = 255; }, IDC_PORT, 254},
        Preselection{"port256", [] { AppSettings.port = 256; }, IDC_PORT, 255},
        Preselection{"portNegative", [] { AppSettings.port = -1; }, IDC_PORT, -1},
        Preselection{"baud115200", [] { AppSettings.baudRate = 115200; }, IDC_BAUDRATE, 12},
        Preselection{"baud250000", [] { AppSettings.baudRate = 250000; }, IDC_BAUDRATE, -1},
        Preselection{"baud110", [] { AppSettings.baudRate = 110; }, IDC_BAUDRATE, 0},
        Preselection{"parity1", [] { AppSettings.parity = 1; }, IDC_PARITY, 2},
        Preselection{"parity2", [] { AppSettings.parity = 2; }, IDC_PARITY, 1},
        Preselection{"parity5", [] { AppSettings.parity = 5; }, IDC_PARITY, -1},
        Preselection{"stop1", [] { AppSettings.stopBits = 1; }, IDC_STOPBITS, 1},
        Preselection{"stop2", [] { AppSettings.stopBits = 2; }, IDC_STOPBITS, 2},
        Preselection{"data7", [] { AppSettings.byteSize = 7; }, IDC_DATABITS, 3},
        Preselection{"data9", [] { AppSettings.byteSize = 9; }, IDC_DATABITS, -1}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(DialogTest, ListsHoldTheirTablesInOrder) {
    Create();
    const std::vector<std::string>& ports = window[IDC_PORT].items;
    ASSERT_EQ(ports.size(), 256u);
    EXPECT_EQ(ports.front(), "COM1");
    EXPECT_EQ(ports[99], "COM100");
    EXPECT_EQ(ports.back(), "COM256");
    EXPECT_EQ(window[IDC_BAUDRATE].items,
              (std::vector<std::string>{"110", "300", "600", "1200", "2400", "4800", "9600",
                                        "14400", "19200", "38400", "56000", "57600", "115200",
                                        "128000", "256000"}));
    // Sorted as it is added, the Data Bits list keeps its table's order.
    EXPECT_EQ(window[IDC_DATABITS].items, (std::vector<std::string>{"4", "5", "6", "7", "8"}));
    EXPECT_EQ(window[IDC_PARITY].items,
              (std::vector<std::string>{"None", "Even", "Odd", "Mark", "Space"}));
    EXPECT_EQ(window[IDC_STOPBITS].items, (std::vector<std::string>{"1", "1.5", "2"}));
}

TEST_F(DialogTest, StartStoresTheSelectionsAndTheTypedPathAndSavesThem) {
    Create();
    window.Select(dlg, IDC_PORT, 4);       // COM5
    window.Select(dlg, IDC_BAUDRATE, 11);  // 57600
    window.Select(dlg, IDC_PARITY, 1);     // Even
    window.Select(dlg, IDC_STOPBITS, 2);   // 2
    window.Select(dlg, IDC_DATABITS, 3);   // 7
    window.Type(dlg, IDC_FILE, "/typed/image.bin");
    dlg.OnCommand(IDC_EEPSUM);
    EXPECT_EQ(startModes, std::vector<int>{kModeEepSum});
    EXPECT_EQ(dlg.m_strFile, "/typed/image.bin");
    EXPECT_EQ(AppSettings.port, 5);
    EXPECT_EQ(AppSettings.baudRate, 57600);
    EXPECT_EQ(AppSettings.parity, 2);
    EXPECT_EQ(AppSettings.stopBits, 2);
    EXPECT_EQ(AppSettings.byteSize, 7);
    EXPECT_EQ(AppSettings.tranFile, "/typed/image.bin");
    const auto ini = platform::IniFile::Load(AppSettings.iniPath);
    EXPECT_EQ(ini.Get("CURRENT", "PORT"), "5");
    EXPECT_EQ(ini.Get("CURRENT", "BAUDRATE"), "57600");
    EXPECT_EQ(ini.Get("CURRENT", "PARITY"), "2");
    EXPECT_EQ(ini.Get("CURRENT", "STOPBITS"), "2");
    EXPECT_EQ(ini.Get("CURRENT", "BYTESIZE"), "7");
    EXPECT_EQ(ini.Get("CURRENT", "TRANFILE"), "/typed/image.bin");
}

TEST_F(DialogTest, ListsWithoutASelectionKeepTheLoadedValuesAndNoPortIsZero) {
    AppSettings.port = 0;
    AppSettings.baudRate = 250000;
    AppSettings.parity = 9;
    AppSettings.stopBits = 7;
    AppSettings.byteSize = 3;
    Create();
    dlg.OnCommand(IDC_PROGRAM);
    EXPECT_EQ(AppSettings.port, 0);
    EXPECT_EQ(AppSettings.baudRate, 250000);
    EXPECT_EQ(AppSettings.parity, 9);
    EXPECT_EQ(AppSettings.stopBits, 7);
    EXPECT_EQ(AppSettings.byteSize, 3);
}

// COM256 is stored as 256, which the INI file keeps to 8 bits: after a restart, no port.
TEST_F(DialogTest, Com256ComesBackAsNoPortAfterARestart) {
    Create();
    window.Select(dlg, IDC_PORT, 255);
    dlg.OnCommand(IDC_PROGRAM);
    EXPECT_EQ(AppSettings.port, 256);
    Done(JobDoneLParam(kResultStartFailed));

    LoadSettings();
    EXPECT_EQ(AppSettings.port, 0);
    FakeWindow restarted;
    CRS232SET again;
    again.SetJobApi({[](platform::HWND, int) { return 1; }, [] {}});
    restarted.Bind(again);
    again.Create(restarted);
    EXPECT_EQ(restarted[IDC_PORT].selection, -1);
}

TEST_F(DialogTest, TheSettingsAndTheIniChangeOnlyAtAStart) {
    Create();
    window.Select(dlg, IDC_BAUDRATE, 0);
    window.Type(dlg, IDC_FILE, "/typed/later.bin");
    EXPECT_EQ(AppSettings.baudRate, 115200);
    EXPECT_EQ(AppSettings.tranFile, "/images/app.bin");
    EXPECT_FALSE(platform::IniFile::Load(AppSettings.iniPath).Get("CURRENT", "TRANFILE"));
}

}  // namespace
}  // namespace dialog_test
