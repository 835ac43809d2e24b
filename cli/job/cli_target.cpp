#include "cli/job/cli_target.h"

#include "job/job_messages.h"

namespace cli {

void CliTarget::BeginJob(JobObserver* observer) {
    view = JobView{};
    result.reset();
    observer_ = observer;
    linked_ = false;
}

LRESULT CliTarget::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLI_INTERRUPT) {
        interrupted = true;
        return 0;
    }
    if (msg == WM_JOB_DONE) {
        if (const JobDone done = DecodeJobDone(lParam); done.marked())
            result = done.code;
        return 1;
    }
    if (msg != WM_JOB_STATUS)
        return 0;
    const JobStatus status = DecodeJobStatus(wParam, lParam);
    if (Apply(status) && observer_)
        observer_->OnStatus(view, status.kind);
    return 0;
}

// Updates the view from one status message; false for a kind that means nothing here.
bool CliTarget::Apply(const JobStatus& status) {
    const LPARAM value = status.value;
    switch (status.kind) {
        case kStatusFileLength:
            view.phase = Phase::Write;
            view.fileSize = static_cast<std::uint32_t>(value);
            view.total = value;
            view.position = 0;
            view.writeStarted = std::chrono::steady_clock::now();
            break;
        case kStatusWritePos:
        case kStatusEraseProgress:
        case kStatusChecksumPos:
            view.position = value;
            break;
        case kStatusEraseBegun:
            view.phase = Phase::Erase;
            break;
        case kStatusLoaderVersion:
            view.loaderVersion = status.extra;
            view.loaderLetter = static_cast<char>(status.letter());
            view.packetSize = status.packetSize();
            linked_ = true;
            Post(WM_NULL, 0, 0);  // the owner may be waiting for this
            break;
        case kStatusWaitLink:
            view.phase = Phase::WaitLink;
            view.total = view.position = 0;
            break;
        case kStatusFileChecksum:
            view.fileChecksum = status.extra;
            break;
        case kStatusEraseRange:
            view.phase = Phase::Erase;
            view.total = value;
            view.position = 0;
            break;
        case kStatusBurnChecksum:
            view.phase = Phase::Checksum;
            view.total = view.position = 0;
            break;
        case kStatusChecksumLength:
            view.phase = Phase::Checksum;
            view.total = value;
            view.position = 0;
            break;
        default:
            return false;
    }
    return true;
}

}  // namespace cli
