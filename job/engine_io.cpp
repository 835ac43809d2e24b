#include <algorithm>

#include "job/engine_detail.h"
#include "job/program_job.h"

namespace engine_detail {

void ClearFlags(bool alsoData) {
    ProgramJob.writeDone = 0;
    ProgramJob.replyOk = 0;
    if (alsoData)
        ProgramJob.dataReceived = 0;
}

std::uint32_t Available() {
    return ProgramJob.serialPort->GetAvailable();
}

void ReadExact(std::uint8_t* dest, std::uint32_t count) {
    std::uint32_t got = 0;
    ProgramJob.serialPort->Read(dest, count, &got);
}

void ReadInto(std::uint8_t* dest, std::int32_t capacity, std::int32_t* pos, std::uint32_t count) {
    const std::uint32_t room = *pos < capacity ? static_cast<std::uint32_t>(capacity - *pos) : 0u;
    const std::uint32_t stored = std::min(count, room);
    if (stored > 0)
        ReadExact(dest + *pos, stored);
    *pos += static_cast<std::int32_t>(stored);
    std::uint8_t scratch[64];
    for (std::uint32_t left = count - stored; left > 0;) {
        const std::uint32_t n = std::min<std::uint32_t>(left, sizeof scratch);
        ReadExact(scratch, n);
        left -= n;
    }
}

bool RxIs(std::uint8_t a, std::uint8_t b) {
    return ProgramJob.rx[0] == a && ProgramJob.rx[1] == b;
}

void SendTx(std::uint32_t length) {
    ProgramJob.serialPort->Send(ProgramJob.tx, length);
}

void PutLittleEndian(std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        ProgramJob.tx[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void SendLinkRequest(WORD kind, std::uint8_t k, std::int32_t nextState) {
    SendJobStatus(kind, 0, 0);
    ProgramJob.serialPort->SetReadRequestSize(2);
    const std::uint8_t link[6] = {0xC9, 0xDD, 0x55, 0xAA, k, 0xC9};
    std::copy(std::begin(link), std::end(link), ProgramJob.tx);
    ClearFlags(false);
    ArmWatchdog(kTicksCommand);
    SendTx(6);
    ProgramJob.state = nextState;
}

namespace {

bool Complement(std::uint8_t a, std::uint8_t b) {
    return a == static_cast<std::uint8_t>(~b);
}

// After a valid link reply: the letter change, packet sizes, watchdog and version status.
// True when an information block follows.
bool AcceptLinkReply() {
    std::uint8_t* r = ProgramJob.rx;
    ClearFlags(false);
    bool infoFollows = false;
    if (r[4] == 'e' || r[4] == 'd') {
        r[4] = static_cast<std::uint8_t>(r[4] - 'a' + 'A');
        infoFollows = true;
    }
    ProgramJob.packetLength = r[6];
    ProgramJob.packetSize = r[6];
    ProgramJob.lastPacketLength = r[6];
    ArmWatchdog(kTicksCommand);
    const WORD version = static_cast<WORD>(r[0] << 8 | r[1]);
    SendJobStatus(kStatusLoaderVersion, version, static_cast<LPARAM>(r[6]) << 16 | r[4]);
    return infoFollows;
}

// Bytes expected in an end message: the owed read-back (one packet, or two) and the code.
std::uint32_t EndMessageLength() {
    const auto last = static_cast<std::uint32_t>(ProgramJob.lastPacketLength);
    return ProgramJob.packetCount < 2
               ? last + 2
               : static_cast<std::uint32_t>(ProgramJob.packetSize) + last + 2;
}

}  // namespace

WORD LinkReplyStep(int event, std::int32_t infoState, std::int32_t confirmState) {
    if (event == kEventWriteDone)
        ProgramJob.writeDone = 1;
    // A reply already taken is not read again: bytes after it belong to the next step.
    if (event == kEventData && !ProgramJob.replyOk && Available() >= 8) {
        std::uint8_t* r = ProgramJob.rx;
        ReadExact(r, 8);
        if (!Complement(r[0], r[2]) || !Complement(r[1], r[3]) || !Complement(r[4], r[5]) ||
            !Complement(r[6], r[7])) {
            return kResultBadLinkReply;
        }
        ProgramJob.replyOk = 1;
    }
    if (ProgramJob.writeDone && ProgramJob.replyOk)
        ProgramJob.state = AcceptLinkReply() ? infoState : confirmState;
    return 0;
}

WORD ReadCountEcho(int event, WORD mismatch) {
    if (event == kEventWriteDone)
        ProgramJob.writeDone = 1;
    if (event == kEventData && !ProgramJob.replyOk && Available() >= 4) {
        ReadExact(ProgramJob.rx, 4);
        if (!std::equal(ProgramJob.rx, ProgramJob.rx + 4, ProgramJob.tx))
            return mismatch;
        ProgramJob.replyOk = 1;
    }
    return 0;
}

WORD PacketAckStep(int event, const Transfer& t) {
    if (event == kEventWriteDone)
        ProgramJob.writeDone = 1;
    if (event == kEventData && !ProgramJob.dataReceived) {
        // The first two packets are answered by AA alone; later ones also carry the read-back
        // of the packet two before.
        const std::uint32_t n =
            ProgramJob.packetCount < 3 ? 1u : static_cast<std::uint32_t>(ProgramJob.packetSize) + 1;
        if (Available() >= n) {
            if (n > 1)
                ReadInto(t.readBack, t.total, &ProgramJob.readBackPos, n - 1);
            ProgramJob.dataReceived = 1;
            std::uint8_t ack = 0;
            ReadExact(&ack, 1);
            if (ack != 0xAA)
                return t.notAcked;
            ProgramJob.replyOk = 1;
        }
    }
    if (ProgramJob.writeDone && ProgramJob.replyOk && ProgramJob.dataReceived) {
        ClearFlags(true);
        ProgramJob.state = t.sendNext() ? t.packetState : t.endState;
        const bool differs = t.compare() != 0;
        SendJobStatus(t.positionKind, 0, ProgramJob.sendPos);
        ArmWatchdog(kTicksPacket);
        if (differs)
            return t.differs;
    }
    return 0;
}

std::optional<bool> ReadEndMessage(int event, const Transfer& t) {
    const std::uint32_t n = EndMessageLength();
    if (event != kEventData || Available() < n)
        return std::nullopt;
    ReadInto(t.readBack, t.total, &ProgramJob.readBackPos, n - 2);
    ReadExact(ProgramJob.rx, 2);
    return t.compare() != 0;
}

}  // namespace engine_detail
