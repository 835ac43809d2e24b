#include "job/job_control.h"

#include <chrono>
#include <mutex>

#include "job/prepare_image.h"
#include "job/program_job.h"
#include "job/protocol_step.h"
#include "platform/event.h"
#include "platform/message_box.h"
#include "settings/app_settings.h"

namespace {

using namespace std::chrono_literals;
constexpr auto kTick = 50ms;

// Each job gets a new generation, so that a watchdog that outlives its job never touches the
// next one.
std::atomic<std::uint64_t> g_generation{0};
// Wakes the watchdog at once when its job is released.
platform::Event g_watchdogStop{platform::Event::ResetMode::Manual};

void InitEngine(std::int32_t startState) {
    ProgramJob.packetLength = 256;
    ProgramJob.sendPos = 0;
    ProgramJob.state = startState;
    ProgramJob.dataReceived = 0;
    ProgramJob.packetCount = 0;
    ProgramJob.readBackPos = 0;
    ProgramJob.compareIndex = 0;
    ProgramJob.packetSize = 256;
    ProgramJob.lastPacketLength = 256;
    ProgramJob.eraseTicks = kTicksEraseDefault;
    ProgramJob.active = 1;
}

void FirstHalf(int mode) {
    InitEngine(mode == kModeProgram ? 0 : 8);
}

}  // namespace

void StartWriteMode() {
    InitEngine(0);
    ProtocolStep(kEventStart);
}

void StartChecksumMode() {
    InitEngine(8);
    ProtocolStep(kEventStart);
}

void PortEventCallback(CSerialPort* sender, std::int32_t kind) {
    if (!sender)
        return;
    if (kind == SPE_WRITE_DONE)
        ProtocolStep(kEventWriteDone, sender);
    if (kind == SPE_DATA)
        ProtocolStep(kEventData, sender);
}

int StartJob(platform::HWND dialog, int mode) {
    // A job that was never released still holds its port; release it before the next.
    EndJob();
    ProgramJob.dialog = dialog;
    {
        std::lock_guard lock(ProgramJob.busy);
        ProgramJob.serialPort = std::make_unique<CSerialPort>();
    }
    CSerialPort& port = *ProgramJob.serialPort;
    port.SetCallback(PortEventCallback);
    port.SetReadRequestSize(1);
    const std::uint32_t code =
        port.Open(AppSettings.port, static_cast<std::uint32_t>(AppSettings.baudRate),
                  AppSettings.parity, AppSettings.byteSize, AppSettings.stopBits, 0);
    if (code != 0) {
        AfxMessageBox(code == SP_NO_DEVICE       ? "COM port can not be found"
                      : code == SP_ACCESS_DENIED ? "COM can not be accessed"
                                                 : "Open COM fail");
        return 0;
    }
    if (!PrepareImage(ProgramJob))
        return 0;
    // An empty image has nothing to write or read back: refused before the link rather than
    // left to wait for an end message that has no room in the read-back buffer.
    if (mode == kModeProgram && ProgramJob.fileSize == 0) {
        AfxMessageBox("The transmitted file is empty !");
        return 0;
    }

    ProgramJob.timeoutTicks = 0;
    FirstHalf(mode);
    const std::uint64_t generation = ++g_generation;
    g_watchdogStop.Reset();
    ProgramJob.watchdogThread =
        platform::Thread::Start([dialog, generation] { WatchdogThread(dialog, generation); });
    if (!ProgramJob.watchdogThread) {
        ProgramJob.active = 0;
        AfxMessageBox("Create TimerOut error");
        return 0;
    }
    ProtocolStep(kEventStart);
    return 1;
}

void EndJob() {
    // Only a job that holds a port can have a step waiting on its dialog.
    platform::HWND dialog = ProgramJob.serialPort ? ProgramJob.dialog : nullptr;
    // A port thread may be waiting for the dialog to handle a status message while this runs
    // on the dialog's thread: release such waits, and refuse new ones, until the job is gone.
    if (dialog)
        dialog->CancelSends();
    ProgramJob.active = 0;

    g_watchdogStop.Set();
    if (ProgramJob.watchdogThread) {
        // The watchdog ends within one tick; one that does not is told apart by its generation.
        if (!ProgramJob.watchdogThread.Wait(std::chrono::seconds(2))) {
            ProgramJob.watchdogThread.Release();
        }
    }
    // Closing stops the port threads; a step still running finishes first (its sends return
    // at once), and a step that starts now finds the job inactive.
    if (ProgramJob.serialPort)
        ProgramJob.serialPort->Close();
    {
        // No step runs while the port and buffers go away.
        std::lock_guard lock(ProgramJob.busy);
        ProgramJob.serialPort.reset();
        FreeJobBuffers(ProgramJob);
    }
    if (dialog)
        dialog->ResumeSends();
}

void WatchdogThread(platform::HWND dialog, std::uint64_t generation) {
    const auto mine = [generation] {
        return ProgramJob.active.load() != 0 && g_generation.load() == generation;
    };
    auto next = std::chrono::steady_clock::now();
    while (mine()) {
        next += kTick;
        const auto now = std::chrono::steady_clock::now();
        if (next > now) {
            if (g_watchdogStop.Wait(std::chrono::duration_cast<std::chrono::milliseconds>(
                    next - now + std::chrono::milliseconds(1)))) {
                break;
            }
        }
        if (!mine())
            break;
        std::uint16_t ticks = ProgramJob.timeoutTicks.load(std::memory_order_relaxed);
        if (ticks == 0)
            continue;
        // Only a decrement of the value read counts: a step that re-armed the watchdog
        // meanwhile wins, so a fresh time-out is never cut short by a stale count.
        if (ProgramJob.timeoutTicks.compare_exchange_strong(
                ticks, static_cast<std::uint16_t>(ticks - 1), std::memory_order_relaxed) &&
            ticks == 1) {
            EndJobWithResult(kResultTimeout);
        }
        std::uint8_t divider = ProgramJob.progressDivider.load(std::memory_order_relaxed);
        if (divider == 0)
            continue;
        if (divider == 1) {
            ProgramJob.progressDivider.store(10, std::memory_order_relaxed);
            if (ProgramJob.state.load() == 4) {
                const auto elapsed = static_cast<std::uint16_t>(ProgramJob.eraseTicks.load() -
                                                                ProgramJob.timeoutTicks.load());
                PostMessageA(dialog, WM_JOB_STATUS, StatusWParam(kStatusEraseProgress), elapsed);
            }
        } else {
            ProgramJob.progressDivider.store(static_cast<std::uint8_t>(divider - 1),
                                             std::memory_order_relaxed);
        }
    }
}
