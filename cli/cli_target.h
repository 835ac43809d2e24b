// The message target through which a job reaches kven-cli: the one place where the job's
// messages are decoded. Each status message updates `view`, then goes to the job's observer
// (the display); what else kven-cli learns of a job it reads from `view` and `result`.
//
// Threading: created and pumped on the main thread; the job's threads send and post to it.
// The observer is called on the main thread.
#pragma once

#include <optional>

#include "cli/job_view.h"
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
    // Starts over for the next job: a fresh view and no result. `observer` (null: none) sees
    // its status messages. An interrupt stays noted.
    void BeginJob(JobObserver* observer);

    // A loader has answered the link request of this job (its version has arrived).
    bool Linked() const { return view.loaderVersion.has_value(); }

    JobView view;
    std::optional<int> result;  // set by WM_JOB_DONE
    bool interrupted = false;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    bool Apply(int kind, WORD extra, LPARAM lParam);

    JobObserver* observer_ = nullptr;
};

}  // namespace cli
