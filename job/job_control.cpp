#include "job/job_control.h"

#include <mutex>

#include "job/before_link.h"
#include "job/prepare_image.h"
#include "job/program_job.h"
#include "job/protocol_step.h"
#include "job/start_failure.h"
#include "job/watchdog.h"
#include "platform/message_box.h"
#include "settings/app_settings.h"

namespace {

// The first half of a mode's start: the engine's fields, and last `active`, so that the
// watchdog finds the job active from its first look. The second half is the start event.
void InitEngine(EngineState startState) {
    ProgramJob.packetLength = kDefaultPacketLength;
    ProgramJob.sendPos = 0;
    ProgramJob.state = startState;
    ProgramJob.dataReceived = 0;
    ProgramJob.packetCount = 0;
    ProgramJob.readBackPos = 0;
    ProgramJob.compareIndex = 0;
    ProgramJob.packetSize = kDefaultPacketLength;
    ProgramJob.lastPacketLength = kDefaultPacketLength;
    ProgramJob.eraseTicks = kTicksEraseDefault;
    ProgramJob.active = 1;
}

}  // namespace

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
        const PortLine line{static_cast<std::uint32_t>(AppSettings.baudRate), AppSettings.byteSize,
                            AppSettings.parity, AppSettings.stopBits};
        AfxMessageBox(code == SP_NO_DEVICE       ? "COM port can not be found"
                      : code == SP_ACCESS_DENIED ? "COM can not be accessed"
                                                 : "Open COM fail",
                      PortOpenDetails(AppSettings.port, code, port.GetLastErrorText(), line));
        return 0;
    }
    if (!PrepareImage(ProgramJob))
        return 0;
    // An empty image has nothing to write or read back: refused before the link rather than
    // left to wait for an end message that has no room in the read-back buffer.
    if (mode == kModeProgram && ProgramJob.fileSize == 0) {
        AfxMessageBox("The transmitted file is empty !",
                      "The image file is " + AppSettings.tranFile +
                          ".\nIt holds no byte to write; EEP Sum sends the checksum table alone.");
        return 0;
    }
    // A front end's reset of the target into its loader, right before the link request.
    if (!RunBeforeLinkStep(port))
        return 0;

    ProgramJob.timeoutTicks = 0;
    ProgramJob.arming = 0;
    ProgramJob.ownWork = OwnWork::None;
    ProgramJob.extendedMs = 0;
    ProgramJob.heldBy = OwnWork::None;
    ProgramJob.ownWorkCapped = false;
    InitEngine(mode == kModeProgram ? kStateProgramStart : kStateChecksumStart);
    ProgramJob.watchdogThread = StartWatchdog(dialog);
    if (!ProgramJob.watchdogThread) {
        ProgramJob.active = 0;
        AfxMessageBox("Create TimerOut error",
                      "The thread that times the loader's replies could not be started.");
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

    StopWatchdog(ProgramJob.watchdogThread);
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
