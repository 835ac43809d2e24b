#include "cli/cli_target.h"

#include "job/program_job.h"

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
        if (LOWORD(static_cast<std::uintptr_t>(lParam)) == 1) {
            result = HIWORD(static_cast<std::uintptr_t>(lParam));
        }
        return 1;
    }
    if (msg != WM_JOB_STATUS)
        return 0;
    const int kind = LOWORD(wParam);
    if (Apply(kind, HIWORD(wParam), lParam) && observer_)
        observer_->OnStatus(view, kind);
    return 0;
}

// Updates the view from one status message; false for a kind that means nothing here.
bool CliTarget::Apply(int kind, WORD extra, LPARAM lParam) {
    switch (kind) {
        case kStatusFileLength:
            view.phase = Phase::Write;
            view.fileSize = static_cast<std::uint32_t>(lParam);
            view.total = lParam;
            view.position = 0;
            view.writeStarted = std::chrono::steady_clock::now();
            break;
        case kStatusWritePos:
        case kStatusEraseProgress:
        case kStatusChecksumPos:
            view.position = lParam;
            break;
        case kStatusEraseBegun:
            view.phase = Phase::Erase;
            break;
        case kStatusLoaderVersion:
            view.loaderVersion = extra;
            view.loaderLetter = static_cast<char>(LOWORD(static_cast<std::uintptr_t>(lParam)));
            view.packetSize = HIWORD(static_cast<std::uintptr_t>(lParam));
            linked_ = true;
            Post(WM_NULL, 0, 0);  // the owner may be waiting for this
            break;
        case kStatusWaitLink:
            view.phase = Phase::WaitLink;
            view.total = view.position = 0;
            break;
        case kStatusFileChecksum:
            view.fileChecksum = extra;
            break;
        case kStatusEraseRange:
            view.phase = Phase::Erase;
            view.total = lParam;
            view.position = 0;
            break;
        case kStatusBurnChecksum:
            view.phase = Phase::Checksum;
            view.total = view.position = 0;
            break;
        case kStatusChecksumLength:
            view.phase = Phase::Checksum;
            view.total = lParam;
            view.position = 0;
            break;
        default:
            return false;
    }
    return true;
}

}  // namespace cli
