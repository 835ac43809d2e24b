#include <algorithm>
#include <span>

#include "job/program_job.h"
#include "job/protocol_step.h"
#include "platform/file_io.h"
#include "settings/app_settings.h"

namespace engine_detail {
namespace {

std::uint32_t Available() {
    return ProgramJob.serialPort->GetAvailable();
}
std::int32_t TableBytes() {
    return std::int32_t{ProgramJob.blockCount} * 2;
}
bool RxIs(std::uint8_t a, std::uint8_t b) {
    return ProgramJob.rx[0] == a && ProgramJob.rx[1] == b;
}

WORD StartState(int event) {
    if (event != kEventStart) {
        if (event == kEventWriteDone)
            ProgramJob.writeDone = 1;
        return 0;
    }
    SendJobStatus(kStatusBurnChecksum, 0, 0);
    ProgramJob.serialPort->SetReadRequestSize(2);
    static constexpr std::uint8_t kLink[6] = {0xC9, 0xDD, 0x55, 0xAA, 0x22, 0xC9};
    std::copy(std::begin(kLink), std::end(kLink), ProgramJob.tx);
    ClearFlags(false);
    ArmWatchdog(kTicksCommand);
    ProgramJob.serialPort->Send(ProgramJob.tx, 6);
    ProgramJob.state = 9;
    return 0;
}

WORD LinkReplyState(int event) {
    if (event == kEventWriteDone)
        ProgramJob.writeDone = 1;
    if (event == kEventData && !ProgramJob.replyOk && Available() >= 8) {
        if (!ReadLinkReply())
            return kResultBadLinkReply;
        ProgramJob.replyOk = 1;
    }
    if (ProgramJob.writeDone && ProgramJob.replyOk) {
        ProgramJob.state = AcceptLinkReply() ? 10 : 11;
    }
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
    const std::uint32_t count = static_cast<std::uint32_t>(TableBytes());
    for (int i = 0; i < 4; ++i)
        ProgramJob.tx[i] = static_cast<std::uint8_t>(count >> (8 * i));
    ClearFlags(false);
    ArmWatchdog(kTicksCommand);
    ProgramJob.serialPort->Send(ProgramJob.tx, 4);
    ProgramJob.state = 12;
    return 0;
}

WORD CountEchoState(int event) {
    if (event == kEventWriteDone)
        ProgramJob.writeDone = 1;
    if (event == kEventData && !ProgramJob.replyOk && Available() >= 4) {
        ReadExact(ProgramJob.rx, 4);
        if (!std::equal(ProgramJob.rx, ProgramJob.rx + 4, ProgramJob.tx)) {
            return kResultChecksumCountEcho;
        }
        ProgramJob.replyOk = 1;
    }
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

WORD PacketAckState(int event) {
    if (event == kEventWriteDone)
        ProgramJob.writeDone = 1;
    if (event == kEventData && !ProgramJob.dataReceived) {
        const std::uint32_t n =
            ProgramJob.packetCount < 3 ? 1u : static_cast<std::uint32_t>(ProgramJob.packetSize) + 1;
        if (Available() >= n) {
            if (n > 1) {
                ReadInto(ProgramJob.readBackSums.get(), TableBytes(), &ProgramJob.readBackPos,
                         n - 1);
            }
            ProgramJob.dataReceived = 1;
            std::uint8_t ack = 0;
            ReadExact(&ack, 1);
            if (ack != 0xAA)
                return kResultChecksumNotAcked;
            ProgramJob.replyOk = 1;
        }
    }
    if (ProgramJob.writeDone && ProgramJob.replyOk && ProgramJob.dataReceived) {
        ClearFlags(true);
        ProgramJob.state = SendNextChecksumPacket() ? 13 : 14;
        const bool differs = CompareChecksumReadback();
        SendJobStatus(kStatusChecksumPos, 0, ProgramJob.sendPos);
        ArmWatchdog(kTicksPacket);
        if (differs)
            return kResultChecksumCompare;
    }
    return 0;
}

WORD EndOfTableState(int event) {
    if (event != kEventData)
        return 0;
    const std::uint32_t last = static_cast<std::uint32_t>(ProgramJob.lastPacketLength);
    const std::uint32_t n = ProgramJob.packetCount < 2
                                ? last + 2
                                : static_cast<std::uint32_t>(ProgramJob.packetSize) + last + 2;
    if (Available() < n)
        return 0;
    ReadInto(ProgramJob.readBackSums.get(), TableBytes(), &ProgramJob.readBackPos, n - 2);
    ReadExact(ProgramJob.rx, 2);
    const bool differs = CompareChecksumReadback();
    if (!RxIs(0xAA, 0x55))
        return kResultNoEndCode;
    if (AppSettings.eepsumOutputEnable) {
        (void)platform::WriteFileAtomically(
            AppSettings.eepsumFile,
            std::span(ProgramJob.readBackSums.get(), static_cast<std::size_t>(TableBytes())));
    }
    EndJobWithResult(differs ? kResultChecksumCompare : kResultOk);
    return 0;
}

}  // namespace

WORD ChecksumStep(int event) {
    switch (ProgramJob.state) {
        case 8:
            return StartState(event);
        case 9:
            return LinkReplyState(event);
        case 10:
            return InfoBlockState(event);
        case 11:
            return LinkConfirmState(event);
        case 12:
            return CountEchoState(event);
        case 13:
            return PacketAckState(event);
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
