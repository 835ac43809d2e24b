#include <algorithm>
#include <span>

#include "job/engine_detail.h"
#include "job/program_job.h"
#include "job/protocol_step.h"
#include "platform/file_io.h"
#include "settings/app_settings.h"

namespace engine_detail {
namespace {

std::int32_t TableBytes() {
    return std::int32_t{ProgramJob.blockCount} * 2;
}

Transfer TableTransfer() {
    return {ProgramJob.readBackSums.get(),
            TableBytes(),
            SendNextChecksumPacket,
            CompareChecksumReadback,
            13,
            14,
            kStatusChecksumPos,
            kResultChecksumNotAcked,
            kResultChecksumCompare};
}

WORD StartState(int event) {
    if (event != kEventStart) {
        if (event == kEventWriteDone)
            ProgramJob.writeDone = 1;
        return 0;
    }
    SendLinkRequest(kStatusBurnChecksum, 0x22, 9);
    return 0;
}

WORD InfoBlockState(int event) {
    if (event != kEventData || Available() < 32)
        return 0;
    ReadExact(ProgramJob.rx, 32);  // the erase time means nothing here
    ClearFlags(false);
    ProgramJob.state = 11;
    ArmWatchdog(kTicksCommand);
    return 0;
}

WORD LinkConfirmState(int event) {
    if (event != kEventData || Available() < 2)
        return 0;
    ReadExact(ProgramJob.rx, 2);
    if (!RxIs(0xAA, 0x55))
        return kResultChecksumLink;
    PutLittleEndian(static_cast<std::uint32_t>(TableBytes()));
    ClearFlags(false);
    ArmWatchdog(kTicksCommand);
    SendTx(4);
    ProgramJob.state = 12;
    return 0;
}

WORD CountEchoState(int event) {
    if (const WORD code = ReadCountEcho(event, kResultChecksumCountEcho))
        return code;
    if (ProgramJob.writeDone && ProgramJob.replyOk) {
        ProgramJob.sendPos = 0;
        ProgramJob.packetCount = 0;
        ClearFlags(true);
        ProgramJob.compareIndex = 0;
        ProgramJob.readBackPos = 0;
        ProgramJob.state = SendNextChecksumPacket() ? 13 : 14;
        SendJobStatus(kStatusChecksumLength, 0, TableBytes());
        SendJobStatus(kStatusChecksumPos, 0, ProgramJob.sendPos);
        ArmWatchdog(kTicksPacket);
    }
    return 0;
}

WORD EndOfTableState(int event) {
    const std::optional<bool> differs = ReadEndMessage(event, TableTransfer());
    if (!differs)
        return 0;
    if (!RxIs(0xAA, 0x55))
        return kResultNoEndCode;
    if (AppSettings.eepsumOutputEnable) {
        (void)platform::WriteFileAtomically(
            AppSettings.eepsumFile,
            std::span(ProgramJob.readBackSums.get(), static_cast<std::size_t>(TableBytes())));
    }
    EndJobWithResult(*differs ? kResultChecksumCompare : kResultOk);
    return 0;
}

}  // namespace

WORD ChecksumStep(int event) {
    switch (ProgramJob.state) {
        case 8:
            return StartState(event);
        case 9:
            return LinkReplyStep(event, 10, 11);
        case 10:
            return InfoBlockState(event);
        case 11:
            return LinkConfirmState(event);
        case 12:
            return CountEchoState(event);
        case 13:
            return PacketAckStep(event, TableTransfer());
        case 14:
            return EndOfTableState(event);
        default:
            return 0;
    }
}

}  // namespace engine_detail

int SendNextChecksumPacket() {
    ProgramJobRecord& job = ProgramJob;
    const std::int32_t total = std::int32_t{job.blockCount} * 2;
    if (job.sendPos >= total)
        return 0;
    ++job.packetCount;
    const std::int32_t length = std::min(job.packetLength, total - job.sendPos);
    job.lastPacketLength = length;
    job.serialPort->Send(job.blockSums.get() + job.sendPos, static_cast<std::uint32_t>(length));
    job.sendPos += length;
    return 1;
}

int CompareChecksumReadback() {
    ProgramJobRecord& job = ProgramJob;
    for (; job.compareIndex < job.readBackPos; ++job.compareIndex) {
        if (job.readBackSums[job.compareIndex] != job.blockSums[job.compareIndex])
            return 1;
    }
    return 0;
}
