// The engine's reading and sending, and the steps both phases share: the start, the link
// reply and the information block.
#include <algorithm>

#include "job/engine_detail.h"
#include "job/loader_wire.h"
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

bool Waiting(EngineEvent event, std::uint32_t count) {
    return event == kEventData && Available() >= count;
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

bool RxIs(const wire::Code& code) {
    return std::equal(code.begin(), code.end(), ProgramJob.rx);
}

CodeReply ReadCode(EngineEvent event, const wire::Code& expected) {
    if (!Waiting(event, wire::kCodeLength))
        return CodeReply::Pending;
    ReadExact(ProgramJob.rx, wire::kCodeLength);
    return RxIs(expected) ? CodeReply::Expected : CodeReply::Other;
}

void SendTx(std::uint32_t length) {
    ProgramJob.serialPort->Send(ProgramJob.tx, length);
}

void PutLittleEndian(std::uint32_t value) {
    for (std::uint32_t i = 0; i < wire::kCountLength; ++i)
        ProgramJob.tx[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

WORD ReadCountEcho(EngineEvent event, WORD mismatch) {
    if (event == kEventWriteDone)
        ProgramJob.writeDone = 1;
    if (!ProgramJob.replyOk && Waiting(event, wire::kCountLength)) {
        ReadExact(ProgramJob.rx, wire::kCountLength);
        if (!std::equal(ProgramJob.rx, ProgramJob.rx + wire::kCountLength, ProgramJob.tx))
            return mismatch;
        ProgramJob.replyOk = 1;
    }
    return 0;
}

WORD StartStep(EngineEvent event, WORD kind, std::uint8_t key, EngineState next) {
    if (event != kEventStart) {
        if (event == kEventWriteDone)
            ProgramJob.writeDone = 1;
        return 0;
    }
    SendJobStatus(kind, 0, 0);
    ProgramJob.serialPort->SetReadRequestSize(wire::kCodeLength);
    const auto request = wire::LinkRequest(key);
    std::copy(request.begin(), request.end(), ProgramJob.tx);
    ClearFlags(false);
    ArmWatchdog(kTicksCommand);
    SendTx(wire::kLinkRequestLength);
    ProgramJob.state = next;
    return 0;
}

namespace {

bool Complement(std::uint8_t a, std::uint8_t b) {
    return a == static_cast<std::uint8_t>(~b);
}

bool LinkReplyValid(const std::uint8_t* r) {
    using namespace wire;
    return Complement(r[kReplyVersionHigh], r[kReplyVersionHigh + 2]) &&
           Complement(r[kReplyVersionLow], r[kReplyVersionLow + 2]) &&
           Complement(r[kReplyLetter], r[kReplyLetter + 1]) &&
           Complement(r[kReplyPacketSize], r[kReplyPacketSize + 1]);
}

// After a valid link reply: the letter change, packet sizes, watchdog and version status.
// True when an information block follows.
bool AcceptLinkReply() {
    using namespace wire;
    std::uint8_t* r = ProgramJob.rx;
    ClearFlags(false);
    std::uint8_t& letter = r[kReplyLetter];
    const bool infoFollows = letter == kLetterWithInfoE || letter == kLetterWithInfoD;
    if (infoFollows)
        letter = static_cast<std::uint8_t>(letter - 'a' + 'A');
    const std::uint8_t packetSize = r[kReplyPacketSize];
    ProgramJob.packetLength = packetSize;
    ProgramJob.packetSize = packetSize;
    ProgramJob.lastPacketLength = packetSize;
    ArmWatchdog(kTicksCommand);
    const WORD version = static_cast<WORD>(r[kReplyVersionHigh] << 8 | r[kReplyVersionLow]);
    SendJobStatus(kStatusLoaderVersion, version, LoaderVersionValue(packetSize, letter));
    return infoFollows;
}

}  // namespace

WORD LinkReplyStep(EngineEvent event, EngineState infoState, EngineState confirmState) {
    if (event == kEventWriteDone)
        ProgramJob.writeDone = 1;
    // A reply already taken is not read again: bytes after it belong to the next step.
    if (!ProgramJob.replyOk && Waiting(event, wire::kLinkReplyLength)) {
        ReadExact(ProgramJob.rx, wire::kLinkReplyLength);
        if (!LinkReplyValid(ProgramJob.rx))
            return kResultBadLinkReply;
        ProgramJob.replyOk = 1;
    }
    if (ProgramJob.writeDone && ProgramJob.replyOk)
        ProgramJob.state = AcceptLinkReply() ? infoState : confirmState;
    return 0;
}

bool InfoBlockStep(EngineEvent event, EngineState next) {
    if (!Waiting(event, wire::kInfoBlockLength))
        return false;
    ReadExact(ProgramJob.rx, wire::kInfoBlockLength);
    ClearFlags(false);
    ProgramJob.state = next;
    ArmWatchdog(kTicksCommand);
    return true;
}

}  // namespace engine_detail
