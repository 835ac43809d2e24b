// How kven-cli shows its jobs: to people (Reporter for a single job, BoardReporter board after
// board) or, as progress lines, to the kven-cli process that runs several ports
// (ProgressStream). A display also observes the running job's status messages.
//
// Threading: main thread only.
#pragma once

#include <string_view>

#include "cli/job/cli_target.h"
#include "cli/line/tally.h"
#include "cli/output/job_record.h"

namespace cli {

enum class Style { Terminal, Plain, Quiet, Json };

class Display : public JobObserver {
  public:
    void OnStatus(const JobView&, int) override {}
    // A message the job would show in a box, and the hints that follow it.
    virtual void Message(std::string_view text) = 0;
    virtual void Hint(std::string_view text) = 0;
    // The flat image the job is about to program (ImageLine says what people see of it).
    virtual void ImageRead(const ImageInfo&) {}
    // The end of a single job.
    virtual void Finish(const JobRecord&) {}
    // Board after board: waiting for board `number`, while `previousPresent` the board before
    // it still answers.
    virtual void Waiting(int /*number*/, bool /*previousPresent*/) {}
    // An attempt has failed, and the board is started again from the link; `attempts` is how
    // many it may have in all.
    virtual void Retrying(const JobRecord& /*failed*/, int /*attempts*/) {}
    // A board's job has ended.
    virtual void Board(const JobRecord&) {}
    // Board after board on `port` has ended.
    virtual void Summary(const Tally&, std::string_view /*port*/) {}
};

// A message box's text as a message, and its details beneath it as hints, a line each.
void ShowMessage(Display& display, std::string_view text, std::string_view details);

}  // namespace cli
