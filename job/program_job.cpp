#include "job/program_job.h"

ProgramJobRecord ProgramJob;

std::uint16_t ArmWatchdog(std::uint16_t ticks) {
    ProgramJob.progressDivider.store(kTicksPerProgressReport, std::memory_order_relaxed);
    ProgramJob.timeoutTicks.store(ticks, std::memory_order_relaxed);
    return ticks;
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
    SendMessageA(ProgramJob.dialog, WM_JOB_STATUS, StatusWParam(kind, extra), value);
}
