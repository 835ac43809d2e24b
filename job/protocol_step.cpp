#include "job/protocol_step.h"

#include <mutex>
#include <span>

#include "job/engine_detail.h"
#include "job/program_job.h"
#include "platform/file_io.h"
#include "settings/app_settings.h"

namespace engine_detail {
namespace {

Transfer ImageTransfer() {
    return {ProgramJob.readBackBuffer.get(),
            static_cast<std::int32_t>(ProgramJob.fileSize),
            SendNextImagePacket,
            CompareImageReadback,
            6,
            7,
            kStatusWritePos,
            kResultPacketNotAcked,
            kResultVerifyFailed};
}

WORD StartState(int event) {
    if (event != kEventStart) {
        if (event == kEventWriteDone)
            ProgramJob.writeDone = 1;
        return 0;
    }
    SendLinkRequest(kStatusWaitLink, 0xDD, 1);
    return 0;
}

WORD InfoBlockState(int event) {
    if (event != kEventData || Available() < 32)
        return 0;
    ReadExact(ProgramJob.rx, 32);
    // The erase time, in units of 2 s, counts only when its complement confirms it. A time of 0
    // would disarm the watchdog for the whole erase, and a loader that then fell silent would
    // hold the job forever: it keeps the default.
    if (ProgramJob.rx[0] == static_cast<std::uint8_t>(~ProgramJob.rx[1]) && ProgramJob.rx[0] != 0)
        ProgramJob.eraseTicks = static_cast<std::uint16_t>(ProgramJob.rx[0] * 40);
    ClearFlags(false);
    ProgramJob.state = 3;
    ArmWatchdog(kTicksCommand);
    return 0;
}

WORD EraseStartState(int event) {
    if (event != kEventData || Available() < 2)
        return 0;
    ReadExact(ProgramJob.rx, 2);
    if (!RxIs(0xAA, 0x55))
        return kResultEraseNotBegun;
    ClearFlags(false);
    ProgramJob.state = 4;
    const std::uint16_t eraseTicks = ProgramJob.eraseTicks;
    ArmWatchdog(eraseTicks);
    SendJobStatus(kStatusEraseRange, 0, eraseTicks);
    SendJobStatus(kStatusEraseBegun, 0, 0);
    return 0;
}

WORD EraseDoneState(int event) {
    if (event != kEventData || Available() < 2)
        return 0;
    ReadExact(ProgramJob.rx, 2);
    if (!RxIs(0x55, 0xAA))
        return kResultEraseNotDone;
    PutLittleEndian(ProgramJob.fileSize);
    ClearFlags(false);
    ArmWatchdog(kTicksCommand);
    ProgramJob.serialPort->SetReadRequestSize(4);
    SendTx(4);
    ProgramJob.state = 5;
    return 0;
}

WORD LengthEchoState(int event) {
    const bool hadReply = ProgramJob.replyOk;
    if (const WORD code = ReadCountEcho(event, kResultLengthEcho))
        return code;
    if (!hadReply && ProgramJob.replyOk)
        ProgramJob.serialPort->SetReadRequestSize(1);
    if (ProgramJob.writeDone && ProgramJob.replyOk) {
        ClearFlags(false);
        ProgramJob.state = SendNextImagePacket() ? 6 : 7;
        SendJobStatus(kStatusFileLength, 0, ProgramJob.fileSize);
        SendJobStatus(kStatusWritePos, 0, ProgramJob.sendPos);
        ArmWatchdog(kTicksPacket);
    }
    return 0;
}

WORD EndOfImageState(int event) {
    const std::optional<bool> differs = ReadEndMessage(event, ImageTransfer());
    if (!differs)
        return 0;
    if (!RxIs(0xAA, 0x55))
        return kResultNoEndCode;
    if (AppSettings.outputEnable) {
        // Written whole or not at all, also after a difference; a file that cannot be
        // written is skipped silently.
        (void)platform::WriteFileAtomically(
            AppSettings.outputFile,
            std::span(ProgramJob.readBackBuffer.get(), ProgramJob.fileSize));
    }
    ClearFlags(false);
    ProgramJob.state = 11;
    ProgramJob.serialPort->SetReadRequestSize(2);
    SendJobStatus(kStatusBurnChecksum, 0, 0);
    ArmWatchdog(kTicksCommand);
    return *differs ? kResultVerifyFailed : 0;
}

}  // namespace

WORD ImageStep(int event) {
    switch (ProgramJob.state) {
        case 0:
            return StartState(event);
        case 1:
            return LinkReplyStep(event, 2, 3);
        case 2:
            return InfoBlockState(event);
        case 3:
            return EraseStartState(event);
        case 4:
            return EraseDoneState(event);
        case 5:
            return LengthEchoState(event);
        case 6:
            return PacketAckStep(event, ImageTransfer());
        case 7:
            return EndOfImageState(event);
        default:
            return 0;
    }
}

}  // namespace engine_detail

int SendNextImagePacket() {
    ProgramJobRecord& job = ProgramJob;
    const auto size = static_cast<std::int32_t>(job.fileSize);
    if (job.sendPos >= size)
        return 0;
    ++job.packetCount;
    const std::int32_t length =
        job.sendPos + job.packetLength >= size ? size - job.sendPos : job.packetLength;
    job.lastPacketLength = length;
    job.serialPort->Send(job.fileBuffer.get() + job.sendPos, static_cast<std::uint32_t>(length));
    job.sendPos += length;
    return 1;
}

int CompareImageReadback() {
    ProgramJobRecord& job = ProgramJob;
    for (; job.compareIndex < job.readBackPos; ++job.compareIndex) {
        if (job.readBackBuffer[job.compareIndex] != job.fileBuffer[job.compareIndex])
            return 1;
    }
    return 0;
}

void ProtocolStep(int event, const CSerialPort* source) {
    if (!ProgramJob.active)
        return;
    // A lock rather than a flag polled every millisecond: waiting steps use no CPU.
    std::lock_guard lock(ProgramJob.busy);
    // The job may have ended, or been released and replaced, while this step waited.
    if (!ProgramJob.active || !ProgramJob.serialPort)
        return;
    if (source && source != ProgramJob.serialPort.get())
        return;
    for (;;) {
        const std::int32_t before = ProgramJob.state;
        const WORD code =
            before < 8 ? engine_detail::ImageStep(event) : engine_detail::ChecksumStep(event);
        if (code != 0) {
            EndJobWithResult(code);
            return;
        }
        // A step entered on a write completion may find its reply already waiting; the port
        // reports bytes only as they come, so it is taken now rather than at the next read
        // time-out.
        if (!ProgramJob.active || ProgramJob.state == before || engine_detail::Available() == 0)
            return;
        event = kEventData;
    }
}
