// Runs jobs in this process, one after another, and shows them on a display: the settings,
// the message target, Ctrl+C, the job's message boxes, the reset sequences and the board's
// serial number are set up once for all of them.
//
// Threading: main thread only. PrepareInterrupts (interrupts.h) must have run before any thread
// exists; while a runner lives, Ctrl+C (and SIGTERM on Linux) interrupts the job and every wait
// of the runner. One runner at a time: it installs the job's hooks (image_patch.h,
// before_link.h) and removes them when it goes.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "cli/command/interrupts.h"
#include "cli/command/options.h"
#include "cli/job/cli_target.h"
#include "cli/job/image_info.h"
#include "cli/output/display.h"
#include "job/job_image.h"
#include "platform/message_box.h"

namespace cli {

class JobRunner {
  public:
    JobRunner(const Options& options, Display& display);
    ~JobRunner();
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    // Runs one job of the command's mode, its status shown on the display. The record's code
    // is the result code, 10 when the job did not start (its message and hints shown), 130
    // when interrupted.
    JobRecord Run();

    enum class Answer { Loader, Silence, StartFailed, Interrupted };
    // Asks whether a loader is on the line: an EEP Sum link request, ended as soon as the
    // link reply is in, so a board that answers is neither erased nor written.
    Answer Probe();

    // The serial number the next jobs write into the image and record; nothing: none.
    void SetSerial(std::optional<SerialValue> serial);

    bool Interrupted() const { return target_.interrupted; }
    // Lets `duration` pass unless interrupted first; false when interrupted.
    bool Pause(std::chrono::milliseconds duration);

  private:
    JobRecord Execute(int mode, JobObserver* observer, bool stopAtLink);
    // Chooses the port for the next job, waiting for it to appear when --wait-port allows;
    // false when interrupted meanwhile.
    bool ChooseJobPort(std::string& problem);
    bool BeforeLink(CSerialPort& port);
    void AfterSuccess();

    const Options& options_;
    Display& display_;
    CliTarget target_;
    ImageDescriber describer_;
    std::string station_;
    std::optional<SerialValue> serial_;
    std::string lastMessage_;
    platform::MessageBoxHook previousHook_;
    // The flat image of the job being started, noted (and shown) by the job's report of it.
    ImageInfo* preparing_ = nullptr;
    PreparedImageHook previousImageHook_;
    std::unique_ptr<InterruptWatcher> watcher_;  // last: stopped first
};

}  // namespace cli
