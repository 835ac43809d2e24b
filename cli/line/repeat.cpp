#include "cli/line/repeat.h"

#include "cli/command/cli_settings.h"
#include "cli/job/job_runner.h"
#include "cli/job/run_job.h"
#include "cli/line/board.h"
#include "cli/line/board_reporter.h"
#include "cli/line/progress_stream.h"
#include "job/program_job.h"

namespace cli {
namespace {

// Between two probes of a board that still answers: swapping takes an operator seconds, and
// the loader is not kept answering link requests all the while.
constexpr std::chrono::milliseconds kProbeInterval{500};

// Runs the job until a loader answers its link request: a line that stays silent has no board
// yet, which is no failure here.
JobRecord NextBoard(JobRunner& runner) {
    for (;;) {
        JobRecord record = runner.Run();
        const bool noBoard = !record.view.loaderVersion &&
                             (record.code == kResultTimeout || record.code == kInterruptedExit);
        if (!noBoard || runner.Interrupted())
            return record;
    }
}

enum class Removal { Gone, Interrupted, StartFailed };

// Waits until the board just done has left: its loader no longer answers.
Removal AwaitRemoval(JobRunner& runner, Display& display, int next) {
    for (;;) {
        switch (runner.Probe()) {
            case JobRunner::Answer::Silence:
                return Removal::Gone;
            case JobRunner::Answer::StartFailed:
                return Removal::StartFailed;
            case JobRunner::Answer::Interrupted:
                return Removal::Interrupted;
            case JobRunner::Answer::Loader:
                break;
        }
        display.Waiting(next, true);
        if (!runner.Pause(kProbeInterval))
            return Removal::Interrupted;
    }
}

std::unique_ptr<Display> MakeDisplay(const Options& o) {
    if (o.progress)
        return std::make_unique<ProgressStream>(stdout);
    return std::make_unique<BoardReporter>(ChooseStyle(o), stdout, stderr);
}

}  // namespace

int RunRepeat(const Options& o) {
    const std::unique_ptr<Display> display = MakeDisplay(o);
    JobRunner runner(o, *display);
    Tally tally;
    BoardSerials serials;
    bool startFailed = !serials.Open(o, *display);
    for (int board = 1; !startFailed; ++board) {
        // The board's number is taken before it is looked for, and given back unless it
        // succeeds.
        if (!serials.Next(runner, *display)) {
            startFailed = true;
            break;
        }
        display->Waiting(board, false);
        JobRecord record = NextBoard(runner);
        if (record.code == kResultStartFailedExit) {
            serials.Finish(false, *display);
            LogJob(o, record, *display);
            startFailed = true;
            break;
        }
        if (!record.view.loaderVersion && record.code == kInterruptedExit) {
            serials.Finish(false, *display);
            break;  // interrupted while no board was on the line
        }
        record.board = board;
        record = RunRetries(runner, o, *display, std::move(record));
        serials.Finish(record.code == 0, *display);
        tally.Add(record.code);
        display->Board(record);
        if (runner.Interrupted())
            break;
        const Removal removal = AwaitRemoval(runner, *display, board + 1);
        startFailed = removal == Removal::StartFailed;
        if (removal != Removal::Gone)
            break;
    }
    display->Summary(tally, PortName(o));
    return startFailed ? kResultStartFailedExit : tally.ExitCode();
}

}  // namespace cli
