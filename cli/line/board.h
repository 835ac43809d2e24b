// What makes a board a board, in a single job as board after board: its serial number, taken
// before its first attempt and used up only when it succeeds, and its attempts, the first and
// the retries that --retries allows, each one logged.
//
// Threading: main thread only.
#pragma once

#include <memory>
#include <optional>

#include "cli/command/options.h"
#include "cli/job/job_runner.h"
#include "cli/line/serial_source.h"
#include "cli/output/display.h"

namespace cli {

// A result that another attempt from the link may turn: the loader's silence, a garbled or
// missing reply, data read back wrong. Never a start failure or an interrupt.
bool Retryable(int code);

// Given a board's first attempt, starts it again from the link while it fails and the options
// allow, logging every attempt. The board's record is its last attempt's.
JobRecord RunRetries(JobRunner& runner, const Options& options, Display& display, JobRecord first);

class BoardSerials {
  public:
    // Reads what --serial and its companions name; false, with the reason shown, when that
    // fails. Without --serial there is nothing to do.
    bool Open(const Options& options, Display& display);
    // Takes the next board's number and gives it to the runner; false, with the reason shown,
    // when there is none (a list used up, a number too wide, a state file that cannot be
    // written).
    bool Next(JobRunner& runner, Display& display);
    // The board has ended: a success keeps its number, anything else gives it back.
    void Finish(bool succeeded, Display& display);

  private:
    std::unique_ptr<SerialSource> source_;
    std::optional<SerialSource::Taken> taken_;
};

}  // namespace cli
