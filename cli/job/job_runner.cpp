#include "cli/job/job_runner.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "cli/command/cli_settings.h"
#include "cli/job/hints.h"
#include "cli/job/line_sequence.h"
#include "cli/job/timeout_hint.h"
#include "job/before_link.h"
#include "job/image_patch.h"
#include "job/job_control.h"
#include "job/program_job.h"
#include "platform/com_ports.h"
#include "platform/device_watch.h"
#include "platform/host_name.h"
#include "platform/message_box.h"
#include "settings/app_settings.h"

namespace cli {

namespace {
constexpr auto kForever = std::chrono::hours(24 * 365);
// How often a missing port is looked for where the system cannot say that devices changed.
constexpr std::chrono::milliseconds kUnwatchedLook{250};
}  // namespace

JobRunner::JobRunner(const Options& options, Display& display)
    : options_(options),
      display_(display),
      station_(options.station.empty() ? platform::HostName() : options.station) {
    LoadJobSettings(options);
    previousHook_ =
        platform::SetMessageBoxHook([this](std::string_view text, std::string_view details) {
            lastMessage_ = text;
            ShowMessage(display_, text, details);
        });
    // What a job will program is shown before anything is sent; a probe shows nothing.
    previousImageHook_ = SetPreparedImageHook(
        [this](const image::Layout* layout, std::span<const std::uint8_t> bytes) {
            if (!preparing_ || !layout)
                return;
            NoteFlatImage(*preparing_, *layout, bytes);
            display_.ImageRead(*preparing_);
        });
    if (!options.reset.empty() || !options.after.empty())
        SetBeforeLinkStep([this](CSerialPort& port) { return BeforeLink(port); });
    watcher_ = std::make_unique<InterruptWatcher>(
        [this] { PostMessageA(&target_, WM_CLI_INTERRUPT, 0, 0); });
}

JobRunner::~JobRunner() {
    watcher_.reset();
    SetBeforeLinkStep({});
    SetImagePatch(std::nullopt);
    SetPreparedImageHook(std::move(previousImageHook_));
    platform::SetMessageBoxHook(previousHook_);
}

JobRecord JobRunner::Run() {
    return Execute(options_.command == Command::Program ? kModeProgram : kModeEepSum, &display_,
                   false);
}

JobRunner::Answer JobRunner::Probe() {
    const JobRecord r = Execute(kModeEepSum, nullptr, true);
    if (r.code == kResultStartFailedExit)
        return Answer::StartFailed;
    if (Interrupted())
        return Answer::Interrupted;
    // Anything but a time-out before the link reply is a loader answering, if garbled.
    return r.view.loaderVersion || r.code != kResultTimeout ? Answer::Loader : Answer::Silence;
}

void JobRunner::SetSerial(std::optional<SerialValue> serial) {
    serial_ = std::move(serial);
    if (!serial_) {
        SetImagePatch(std::nullopt);
        return;
    }
    ImagePatch patch;
    patch.address = serial_->address;
    patch.bytes = serial_->bytes;
    patch.overwrite = options_.serial.overwrite;
    patch.what = "serial number " + serial_->text;
    patch.overwriteHint = "--serial-overwrite writes the number over them";
    SetImagePatch(std::move(patch));
}

bool JobRunner::Pause(std::chrono::milliseconds duration) {
    target_.RunUntil([this] { return target_.interrupted; }, duration);
    return !target_.interrupted;
}

bool JobRunner::ChooseJobPort(std::string& problem) {
    JobPort port = ChoosePort(options_);
    const auto present = [&] {
        port = ChoosePort(options_);
        return platform::SerialDevicePresent(port.device);
    };
    if (options_.waitPort.count() > 0 && !platform::SerialDevicePresent(port.device)) {
        char text[64];
        std::snprintf(text, sizeof text, "%.3g s",
                      std::chrono::duration<double>(options_.waitPort).count());
        display_.Message("waiting up to " + std::string(text) + " for " + PortName(options_) +
                         " to appear");
        // Every change among the devices, or in the folder of a link that names the port,
        // wakes the wait to look again.
        std::vector<std::string> folders;
        if (platform::IsDevicePath(port.device))
            folders.push_back(std::filesystem::path(port.device).parent_path().string());
        const platform::DeviceWatch watch([this] { PostMessageA(&target_, WM_NULL, 0, 0); },
                                          folders);
        const auto deadline = std::chrono::steady_clock::now() + options_.waitPort;
        while (!target_.interrupted && !present()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            target_.RunUntil([&] { return target_.interrupted || present(); },
                             watch.Active() ? left : std::min(left, kUnwatchedLook));
        }
    }
    AppSettings.port = port.number;
    problem = port.problem;
    return !target_.interrupted;
}

bool JobRunner::BeforeLink(CSerialPort& port) {
    LineSequence sequence = options_.reset;
    if (sequence.empty()) {
        // --after alone: the lines are off since the open, and dropping them again changes
        // nothing but tells whether the device has them, before the board is programmed.
        sequence = {{platform::LineFunction::ClearDtr, {}}, {platform::LineFunction::ClearRts, {}}};
    }
    const LineSequenceResult result =
        RunLineSequence(sequence, port, [this](auto duration) { return Pause(duration); });
    if (result.outcome == LineSequenceResult::Outcome::Refused)
        AfxMessageBox(result.message, result.details);
    if (result.outcome != LineSequenceResult::Outcome::Done)
        return false;
    // What the target said while it was reset is no reply to the link request to come.
    std::uint8_t scratch[256];
    std::uint32_t got = 0;
    while (port.Read(scratch, sizeof scratch, &got) == SP_OK && got > 0) {
    }
    return true;
}

void JobRunner::AfterSuccess() {
    CSerialPort* port = ProgramJob.serialPort.get();
    if (options_.after.empty() || !port)
        return;
    const LineSequenceResult result =
        RunLineSequence(options_.after, *port, [this](auto duration) { return Pause(duration); });
    if (result.outcome == LineSequenceResult::Outcome::Refused) {
        display_.Message(result.message + " after the job");
        display_.Hint(result.details);
    }
}

JobRecord JobRunner::Execute(int mode, JobObserver* observer, bool stopAtLink) {
    JobRecord record;
    record.start = std::chrono::system_clock::now();
    record.station = station_;
    record.port = PortName(options_);
    record.baud = static_cast<std::uint32_t>(AppSettings.baudRate);
    record.mode = mode;
    record.serial = serial_;
    if (observer)
        record.image = describer_.Describe(options_.image);
    target_.BeginJob(observer);
    lastMessage_.clear();
    std::string portProblem;
    const bool portChosen = ChooseJobPort(portProblem);
    record.device = platform::ComDevicePath(AppSettings.port);
    auto ended = std::chrono::steady_clock::now();
    int started = 0;
    if (portChosen) {
        preparing_ = observer ? &record.image : nullptr;
        started = StartJob(&target_, mode);
        preparing_ = nullptr;
    }
    if (!portChosen) {
        record.code = kInterruptedExit;
    } else if (!started) {
        EndJob();
        if (target_.interrupted) {
            record.code = kInterruptedExit;  // during the reset sequence
        } else {
            const platform::termios2::LineSettings line{
                static_cast<std::uint32_t>(AppSettings.baudRate), AppSettings.byteSize,
                AppSettings.parity, AppSettings.stopBits};
            if (!portProblem.empty())
                display_.Hint(portProblem);
            for (const std::string& hint : OpenFailureHints(lastMessage_, AppSettings.port, line))
                display_.Hint(hint);
            record.code = kResultStartFailedExit;
        }
    } else {
        target_.RunUntil(
            [&] {
                return target_.result || target_.interrupted || (stopAtLink && target_.Linked());
            },
            kForever);
        ended = std::chrono::steady_clock::now();
        record.code = target_.result ? *target_.result : target_.interrupted ? kInterruptedExit : 0;
        if (record.code == 0 && !stopAtLink)
            AfterSuccess();
        EndJob();
    }
    record.view = target_.view;
    record.timeoutExtensionMs = ProgramJob.extendedMs;
    record.heldBy = ProgramJob.heldBy;
    record.ownWorkCapped = ProgramJob.ownWorkCapped;
    if (observer) {
        if (const auto hint =
                TimeoutHint(record.timeoutExtensionMs, record.heldBy, record.ownWorkCapped)) {
            display_.Hint(*hint);
        }
    }
    record.seconds = std::chrono::duration<double>(ended - record.view.started).count();
    record.bytes = TransferredBytes(record.view, record.code);
    // What the ended job still posted (a watchdog that lost the race to end it) goes nowhere;
    // an interrupt among it stays noted.
    target_.BeginJob(nullptr);
    target_.Pump();
    return record;
}

}  // namespace cli
