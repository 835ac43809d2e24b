#include "cli/job/run_job.h"

#include <cerrno>
#include <cstring>

#include "cli/job/job_runner.h"
#include "cli/line/board.h"
#include "cli/line/progress_stream.h"
#include "cli/output/console.h"
#include "cli/output/reporter.h"

namespace cli {

Style ChooseStyle(const Options& o) {
    return o.json               ? Style::Json
           : o.quiet            ? Style::Quiet
           : StdoutIsTerminal() ? Style::Terminal
                                : Style::Plain;
}

void LogJob(const Options& o, const JobRecord& record, Display& display) {
    if (!o.log.empty() && !AppendLine(o.log, RecordJson(record))) {
        display.Message("cannot append to " + o.log + ": " + std::strerror(errno));
    }
}

int RunJob(const Options& o) {
    std::unique_ptr<Display> display;
    if (o.progress) {
        display = std::make_unique<ProgressStream>(stdout);
    } else {
        display = std::make_unique<Reporter>(ChooseStyle(o), stdout, stderr);
    }
    JobRunner runner(o, *display);
    BoardSerials serials;
    if (!serials.Open(o, *display) || !serials.Next(runner, *display)) {
        JobRecord none;
        none.code = kResultStartFailedExit;
        display->Finish(none);
        return none.code;
    }
    const JobRecord record = RunRetries(runner, o, *display, runner.Run());
    serials.Finish(record.code == 0, *display);
    if (record.code == kInterruptedExit) {
        display->Message("interrupted; the port is released");
        return record.code;
    }
    display->Finish(record);
    return record.code;
}

}  // namespace cli
