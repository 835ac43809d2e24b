// The message target through which a job reaches kven-cli.
//
// Threading: created and pumped on the main thread; the job's threads send and post to it.
#pragma once

#include <optional>

#include "cli/job_view.h"
#include "cli/reporter.h"
#include "platform/message_target.h"

namespace cli {

// Posted by the signal thread when the operator interrupts the job.
inline constexpr UINT WM_CLI_INTERRUPT = WM_USER + 200;

class CliTarget : public platform::MessageTarget {
  public:
    explicit CliTarget(Reporter& reporter) : reporter_(reporter) {}

    JobView view;
    std::optional<int> result;  // set by WM_JOB_DONE
    bool interrupted = false;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    Reporter& reporter_;
};

}  // namespace cli
