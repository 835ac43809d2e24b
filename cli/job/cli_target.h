// The message target through which a job reaches kven-cli: the one place where the job's
// messages are decoded. Each status message updates `view`, then goes to the job's observer
// (the display); what else kven-cli learns of a job it reads from `view` and `result`.
//
// Threading: created and pumped on the main thread; the job's threads send and post to it. A
// command line is no window: a status message is handled on the thread that sends it (no hop
// to the main thread and back for each packet), one handler at a time, so the observer is
// called on the job's threads as well as the main thread, never on two at once. The main
// thread reads `view` only between jobs; while one runs it asks Linked().
#pragma once

#include <atomic>
#include <optional>

#include "cli/job/job_view.h"
#include "job/job_messages.h"
#include "platform/message_target.h"

namespace cli {

// Posted by the signal thread when the operator interrupts the job.
inline constexpr UINT WM_CLI_INTERRUPT = WM_USER + 200;

class JobObserver {
  public:
    virtual ~JobObserver() = default;
    // A status message of `kind` has changed `view`.
    virtual void OnStatus(const JobView& view, int kind) = 0;
};

class CliTarget : public platform::MessageTarget {
  public:
    CliTarget() : MessageTarget(Dispatch::SendingThread) {}

    // Starts over for the next job: a fresh view and no result. `observer` (null: none) sees
    // its status messages. An interrupt stays noted.
    void BeginJob(JobObserver* observer);

    // A loader has answered the link request of this job (its version has arrived). Any
    // thread; the owner's RunUntil is woken when it becomes true.
    bool Linked() const { return linked_; }

    JobView view;
    std::optional<int> result;  // set by WM_JOB_DONE
    bool interrupted = false;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    bool Apply(const JobStatus& status);

    JobObserver* observer_ = nullptr;
    std::atomic<bool> linked_{false};
};

}  // namespace cli
