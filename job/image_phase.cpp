// The image phase of a Program job: link, erase, the file length, and the image packets with
// their delayed read-back.
#include <span>

#include "job/engine_detail.h"
#include "job/loader_wire.h"
#include "job/program_job.h"
#include "platform/file_io.h"
#include "settings/app_settings.h"

namespace engine_detail {

Transfer ImageTransfer() {
    return {ProgramJob.fileBuffer.get(),
            ProgramJob.readBackBuffer.get(),
            static_cast<std::int32_t>(ProgramJob.fileSize),
            kStateImageAck,
            kStateEndOfImage,
            kStatusFileLength,
            kStatusWritePos,
            kResultPacketNotAcked,
            kResultVerifyFailed};
}

WORD InfoBlockState(EngineEvent event) {
    if (!InfoBlockStep(event, kStateEraseBegun))
        return 0;
    // The erase time counts only when its complement confirms it. A time of 0 would disarm
    // the watchdog for the whole erase, and a loader that then fell silent would hold the job
    // forever: it keeps the default.
    const std::uint8_t units = ProgramJob.rx[wire::kInfoEraseUnits.value];
    if (Complement(units, ProgramJob.rx[wire::kInfoEraseUnits.complement]) && units != 0)
        ProgramJob.eraseTicks = static_cast<std::uint16_t>(units * kTicksPerEraseUnit);
    return 0;
}

WORD EraseBegunState(EngineEvent event) {
    const CodeReply reply = ReadCode(event, wire::kLinkConfirm);
    if (reply != CodeReply::Expected)
        return reply == CodeReply::Other ? kResultEraseNotBegun : 0;
    ClearFlags(false);
    ProgramJob.state = kStateEraseDone;
    const std::uint16_t eraseTicks = ProgramJob.eraseTicks;
    ArmWatchdog(eraseTicks);
    SendJobStatus(kStatusEraseRange, 0, eraseTicks);
    SendJobStatus(kStatusEraseBegun, 0, 0);
    return 0;
}

WORD EraseDoneState(EngineEvent event) {
    const CodeReply reply = ReadCode(event, wire::kEraseDone);
    if (reply != CodeReply::Expected)
        return reply == CodeReply::Other ? kResultEraseNotDone : 0;
    PutLittleEndian(ProgramJob.fileSize);
    ClearFlags(false);
    ArmWatchdog(kTicksCommand);
    ProgramJob.serialPort->SetReadRequestSize(wire::kCountLength);
    SendTx(wire::kCountLength);
    ProgramJob.state = kStateLengthEcho;
    return 0;
}

WORD LengthEchoState(EngineEvent event) {
    const bool hadReply = ProgramJob.replyOk;
    if (const WORD code = ReadCountEcho(event, kResultLengthEcho))
        return code;
    // From here on every byte counts: the packets' acknowledgements are read as they come.
    if (!hadReply && ProgramJob.replyOk)
        ProgramJob.serialPort->SetReadRequestSize(1);
    if (ProgramJob.writeDone && ProgramJob.replyOk)
        BeginTransfer(ImageTransfer());
    return 0;
}

WORD EndOfImageState(EngineEvent event) {
    const std::optional<bool> differs = ReadEndMessage(event, ImageTransfer());
    if (!differs)
        return 0;
    if (!RxIs(wire::kEndCode))
        return kResultNoEndCode;
    if (AppSettings.outputEnable) {
        // Written whole or not at all, also after a difference; a file that cannot be
        // written is skipped silently.
        const OwnWorkScope writing(OwnWork::WritingReadBack);
        (void)platform::WriteFileAtomically(
            AppSettings.outputFile,
            std::span(ProgramJob.readBackBuffer.get(), ProgramJob.fileSize));
    }
    ClearFlags(false);
    ProgramJob.state = kStateChecksumLinkConfirm;
    ProgramJob.serialPort->SetReadRequestSize(wire::kCodeLength);
    SendJobStatus(kStatusBurnChecksum, 0, 0);
    ArmWatchdog(kTicksCommand);
    return *differs ? kResultVerifyFailed : 0;
}

}  // namespace engine_detail
