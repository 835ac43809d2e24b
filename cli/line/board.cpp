#include "cli/line/board.h"

#include "cli/job/run_job.h"

namespace cli {

bool Retryable(int code) {
    return (code >= 2 && code <= 9) || (code >= 11 && code <= 14);
}

JobRecord RunRetries(JobRunner& runner, const Options& o, Display& display, JobRecord first) {
    JobRecord record = std::move(first);
    for (;;) {
        LogJob(o, record, display);
        if (!Retryable(record.code) || record.attempt > o.retries || runner.Interrupted())
            return record;
        display.Retrying(record, o.retries + 1);
        JobRecord next = runner.Run();
        next.board = record.board;
        next.attempt = record.attempt + 1;
        record = std::move(next);
    }
}

bool BoardSerials::Open(const Options& o, Display& display) {
    if (!o.serial.Enabled())
        return true;
    std::string error;
    source_ = SerialSource::Open(o.serial, &error);
    if (!source_)
        display.Message(error);
    return source_ != nullptr;
}

bool BoardSerials::Next(JobRunner& runner, Display& display) {
    if (!source_)
        return true;
    std::string error;
    taken_ = source_->Take(&error);
    if (!taken_) {
        display.Message(error);
        return false;
    }
    runner.SetSerial(taken_->value);
    return true;
}

void BoardSerials::Finish(bool succeeded, Display& display) {
    if (!taken_)
        return;
    std::string error;
    if (!succeeded && !source_->GiveBack(*taken_, &error))
        display.Message(error + "; the serial number " + taken_->value.text + " is left out");
    taken_.reset();
}

}  // namespace cli
