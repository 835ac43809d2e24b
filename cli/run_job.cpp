#include "cli/run_job.h"

#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <thread>

#include "cli/cli_target.h"
#include "cli/hints.h"
#include "job/job_control.h"
#include "platform/com_ports.h"
#include "platform/message_box.h"
#include "platform/module_path.h"
#include "platform/profile.h"
#include "settings/app_settings.h"
#include "settings/ini_location.h"

namespace cli {
namespace {

// Waits for SIGINT or SIGTERM on its own thread and turns it into a message, so the main
// thread ends the job cleanly. Stopped with SIGUSR1.
class SignalWatcher {
  public:
    explicit SignalWatcher(CliTarget& target)
        : thread_([&target] {
              sigset_t set;
              sigemptyset(&set);
              sigaddset(&set, SIGINT);
              sigaddset(&set, SIGTERM);
              sigaddset(&set, SIGUSR1);
              int sig = 0;
              while (sigwait(&set, &sig) == 0) {
                  if (sig == SIGUSR1)
                      return;
                  PostMessageA(&target, WM_CLI_INTERRUPT, 0, 0);
              }
          }) {}
    ~SignalWatcher() {
        pthread_kill(thread_.native_handle(), SIGUSR1);
        thread_.join();
    }

  private:
    std::thread thread_;
};

void ApplyOptions(const Options& o) {
    if (o.baud)
        AppSettings.baudRate = *o.baud;
    if (o.dataBits)
        AppSettings.byteSize = *o.dataBits;
    if (o.parity)
        AppSettings.parity = *o.parity;
    if (o.stopBits)
        AppSettings.stopBits = *o.stopBits;
    AppSettings.tranFile = o.image;
    // Output files only when asked for: a script must not leave files it did not name.
    AppSettings.outputEnable = !o.readback.empty();
    AppSettings.outputFile = o.readback;
    AppSettings.eepsumOutputEnable = !o.sums.empty();
    AppSettings.eepsumFile = o.sums;
}

// The COM number for --port, or the INI's port; 0 when the port names nothing.
std::int32_t ResolvePort(const Options& o) {
    if (!o.port)
        return AppSettings.port;
    const std::string& p = *o.port;
    if (p.starts_with("/"))
        return platform::MapComDevice(p);
    std::string_view digits = p;
    if (digits.size() > 3 && (digits.starts_with("COM") || digits.starts_with("com"))) {
        digits.remove_prefix(3);
    }
    return platform::ParseProfileInt(digits);
}

}  // namespace

std::string DesktopIniPath() {
    namespace fs = std::filesystem;
    const fs::path self(platform::GetModuleFileName());
    // Installed side by side, or in the build tree next door.
    fs::path desktop = self.parent_path() / "kven";
    if (!fs::exists(desktop) && fs::exists(self.parent_path().parent_path() / "app" / "kven")) {
        desktop = self.parent_path().parent_path() / "app" / "kven";
    }
    return IniPathForExecutable(desktop.string(), UserConfigDir(), DirectoryWritable);
}

void LoadIniPorts(const std::string& iniPath) {
    for (const auto& [key, path] :
         platform::IniFile::Load(iniPath).Entries(platform::kPortsSection)) {
        const std::string_view k = key;
        if (k.size() > 3 && (k.starts_with("COM") || k.starts_with("com"))) {
            const int n = platform::ParseProfileInt(k.substr(3));
            if (n > 0 && n <= platform::kMaxComNumber && !path.empty()) {
                platform::SetComDevice(n, path);
            }
        }
    }
}

int RunJob(const Options& o) {
    AppSettings.iniPath = o.ini.empty() ? DesktopIniPath() : o.ini;
    LoadSettings();  // never saved: the desktop program owns the file
    LoadIniPorts(AppSettings.iniPath);
    ApplyOptions(o);
    AppSettings.port = ResolvePort(o);

    const Style style = o.json                    ? Style::Json
                        : o.quiet                 ? Style::Quiet
                        : ::isatty(STDOUT_FILENO) ? Style::Terminal
                                                  : Style::Plain;
    Reporter reporter(style, stdout, stderr, static_cast<std::uint32_t>(AppSettings.baudRate));
    CliTarget target(reporter);
    std::string lastMessage;
    const auto previousHook = platform::SetMessageBoxHook([&](std::string_view text) {
        lastMessage = text;
        reporter.Message(text);
    });
    int code = 0;
    {
        SignalWatcher watcher(target);
        const int mode = o.command == Command::Program ? kModeProgram : kModeEepSum;
        if (!StartJob(&target, mode)) {
            EndJob();
            const platform::termios2::LineSettings line{
                static_cast<std::uint32_t>(AppSettings.baudRate), AppSettings.byteSize,
                AppSettings.parity, AppSettings.stopBits};
            for (const std::string& hint : OpenFailureHints(lastMessage, AppSettings.port, line)) {
                reporter.Hint(hint);
            }
            code = kResultStartFailedExit;
        } else {
            target.RunUntil([&] { return target.result.has_value() || target.interrupted; },
                            std::chrono::hours(24 * 365));
            EndJob();
            code = target.interrupted && !target.result ? kInterruptedExit : *target.result;
        }
    }
    platform::SetMessageBoxHook(previousHook);
    if (code == kInterruptedExit) {
        reporter.Message("interrupted; the port is released");
        return code;
    }
    reporter.Finish(target.view, code);
    return code;
}

}  // namespace cli
