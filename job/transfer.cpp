// A transfer of packets with delayed read-back, the same for the image and the checksum
// table: the loader answers the first two packets with an acknowledgement alone and each later
// one with the read-back of the packet two before; the end message brings what is still owed.
#include <algorithm>

#include "job/engine_detail.h"
#include "job/loader_wire.h"
#include "job/program_job.h"

namespace engine_detail {

std::uint32_t AckReadBackLength() {
    // The first packets are answered by the acknowledgement alone; later ones also carry the
    // read-back of the packet that lags behind.
    return ProgramJob.packetCount <= wire::kReadBackLag
               ? 0u
               : static_cast<std::uint32_t>(ProgramJob.packetSize);
}

std::uint32_t EndMessageLength() {
    const auto last = static_cast<std::uint32_t>(ProgramJob.lastPacketLength);
    return ProgramJob.packetCount < wire::kReadBackLag
               ? last + wire::kCodeLength
               : static_cast<std::uint32_t>(ProgramJob.packetSize) + last + wire::kCodeLength;
}

bool SendNextPacket(const Transfer& t) {
    ProgramJobRecord& job = ProgramJob;
    if (job.sendPos >= t.total)
        return false;
    ++job.packetCount;
    const std::int32_t length = std::min(job.packetLength, t.total - job.sendPos);
    job.lastPacketLength = length;
    job.serialPort->Send(t.source + job.sendPos, static_cast<std::uint32_t>(length));
    job.sendPos += length;
    return true;
}

bool CompareReadback(const Transfer& t) {
    ProgramJobRecord& job = ProgramJob;
    for (; job.compareIndex < job.readBackPos; ++job.compareIndex) {
        if (t.readBack[job.compareIndex] != t.source[job.compareIndex])
            return true;
    }
    return false;
}

void BeginTransfer(const Transfer& t) {
    ProgramJob.sendPos = 0;
    ProgramJob.packetCount = 0;
    ClearFlags(true);
    ProgramJob.compareIndex = 0;
    ProgramJob.readBackPos = 0;
    ProgramJob.state = SendNextPacket(t) ? t.packetState : t.endState;
    SendJobStatus(t.totalKind, 0, t.total);
    SendJobStatus(t.positionKind, 0, ProgramJob.sendPos);
    ArmWatchdog(kTicksPacket);
}

WORD PacketAckStep(EngineEvent event, const Transfer& t) {
    if (event == kEventWriteDone)
        ProgramJob.writeDone = 1;
    if (event == kEventData && !ProgramJob.dataReceived) {
        const std::uint32_t readBack = AckReadBackLength();
        if (Available() >= readBack + wire::kAckLength) {
            if (readBack > 0)
                ReadInto(t.readBack, t.total, &ProgramJob.readBackPos, readBack);
            ProgramJob.dataReceived = 1;
            std::uint8_t ack = 0;
            ReadExact(&ack, wire::kAckLength);
            if (ack != wire::kAck)
                return t.notAcked;
            ProgramJob.replyOk = 1;
        }
    }
    if (ProgramJob.writeDone && ProgramJob.replyOk && ProgramJob.dataReceived) {
        ClearFlags(true);
        ProgramJob.state = SendNextPacket(t) ? t.packetState : t.endState;
        const bool differs = CompareReadback(t);
        SendJobStatus(t.positionKind, 0, ProgramJob.sendPos);
        ArmWatchdog(kTicksPacket);
        if (differs)
            return t.differs;
    }
    return 0;
}

std::optional<bool> ReadEndMessage(EngineEvent event, const Transfer& t) {
    const std::uint32_t n = EndMessageLength();
    if (!Waiting(event, n))
        return std::nullopt;
    ReadInto(t.readBack, t.total, &ProgramJob.readBackPos, n - wire::kCodeLength);
    ReadExact(ProgramJob.rx, wire::kCodeLength);
    return CompareReadback(t);
}

}  // namespace engine_detail
