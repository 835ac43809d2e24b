#include "cli/job/job_runner.h"

#include "cli/command/cli_settings.h"
#include "cli/job/hints.h"
#include "cli/job/timeout_hint.h"
#include "job/job_control.h"
#include "job/program_job.h"
#include "platform/com_ports.h"
#include "platform/message_box.h"
#include "settings/app_settings.h"

namespace cli {

namespace {
constexpr auto kForever = std::chrono::hours(24 * 365);
}  // namespace

JobRunner::JobRunner(const Options& options, Display& display)
    : options_(options), display_(display) {
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
    watcher_ = std::make_unique<InterruptWatcher>(
        [this] { PostMessageA(&target_, WM_CLI_INTERRUPT, 0, 0); });
}

JobRunner::~JobRunner() {
    watcher_.reset();
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

bool JobRunner::Pause(std::chrono::milliseconds duration) {
    target_.RunUntil([this] { return target_.interrupted; }, duration);
    return !target_.interrupted;
}

JobRecord JobRunner::Execute(int mode, JobObserver* observer, bool stopAtLink) {
    JobRecord record;
    record.start = std::chrono::system_clock::now();
    record.port = PortName(options_);
    record.device = platform::ComDevicePath(AppSettings.port);
    record.baud = static_cast<std::uint32_t>(AppSettings.baudRate);
    record.mode = mode;
    if (observer)
        record.image = describer_.Describe(options_.image);
    target_.BeginJob(observer);
    lastMessage_.clear();
    auto ended = std::chrono::steady_clock::now();
    preparing_ = observer ? &record.image : nullptr;
    const int started = StartJob(&target_, mode);
    preparing_ = nullptr;
    if (!started) {
        EndJob();
        const platform::termios2::LineSettings line{
            static_cast<std::uint32_t>(AppSettings.baudRate), AppSettings.byteSize,
            AppSettings.parity, AppSettings.stopBits};
        for (const std::string& hint : OpenFailureHints(lastMessage_, AppSettings.port, line))
            display_.Hint(hint);
        record.code = kResultStartFailedExit;
    } else {
        target_.RunUntil(
            [&] {
                return target_.result || target_.interrupted || (stopAtLink && target_.Linked());
            },
            kForever);
        ended = std::chrono::steady_clock::now();
        EndJob();
        record.code = target_.result ? *target_.result : target_.interrupted ? kInterruptedExit : 0;
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
