#include "job/program_job.h"

ProgramJobRecord ProgramJob;

std::uint16_t ArmWatchdog(std::uint16_t ticks) {
    ProgramJob.progressDivider.store(kTicksPerProgressReport, std::memory_order_relaxed);
    ProgramJob.timeoutTicks.store(ticks, std::memory_order_relaxed);
    ProgramJob.arming.store(ArmingWord(std::chrono::steady_clock::now(), ticks));
    return ticks;
}

std::uint64_t ArmingWord(std::chrono::steady_clock::time_point at, std::uint16_t ticks) {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(at.time_since_epoch()).count();
    return static_cast<std::uint64_t>(ms) << 16 | ticks;
}

std::chrono::steady_clock::time_point ArmedAt(std::uint64_t arming) {
    using namespace std::chrono;
    return steady_clock::time_point(milliseconds(static_cast<std::int64_t>(arming >> 16)));
}

void EndJobWithResult(WORD code) {
    std::int32_t expected = 1;
    if (ProgramJob.active.compare_exchange_strong(expected, 0)) {
        PostMessageA(ProgramJob.dialog, WM_JOB_DONE, 0, JobDoneLParam(code));
    }
}

void FreeJobBuffers(ProgramJobRecord& job) {
    job.fileBuffer.reset();
    job.readBackBuffer.reset();
    job.blockSums.reset();
    job.readBackSums.reset();
}

void IdleJobRecord() {
    ProgramJob.serialPort.reset();
    FreeJobBuffers(ProgramJob);
    ProgramJob.active = 0;
}

void SendJobStatus(WORD kind, WORD extra, LPARAM value) {
    // The front end handles it while this step waits: its time is the host's, not the loader's.
    const OwnWorkScope reporting(OwnWork::Reporting);
    SendMessageA(ProgramJob.dialog, WM_JOB_STATUS, StatusWParam(kind, extra), value);
}
