#include "job/protocol_step.h"

#include <mutex>
#include <span>

#include "job/program_job.h"
#include "platform/file_io.h"
#include "settings/app_settings.h"

namespace engine_detail {

void ClearFlags(bool alsoData) {
    ProgramJob.writeDone = 0;
    ProgramJob.replyOk = 0;
    if (alsoData)
        ProgramJob.dataReceived = 0;
}

void ReadExact(std::uint8_t* dest, std::uint32_t count) {
    std::uint32_t got = 0;
    ProgramJob.serialPort->Read(dest, count, &got);
}

void ReadInto(std::uint8_t* dest, std::int32_t capacity, std::int32_t* pos, std::uint32_t count) {
    const std::uint32_t room = *pos < capacity ? static_cast<std::uint32_t>(capacity - *pos) : 0u;
    const std::uint32_t stored = count < room ? count : room;
    if (stored > 0)
        ReadExact(dest + *pos, stored);
    *pos += static_cast<std::int32_t>(stored);
    std::uint8_t scratch[64];
    for (std::uint32_t left = count - stored; left > 0;) {
        const std::uint32_t n = left < sizeof scratch ? left : sizeof scratch;
        ReadExact(scratch, n);
        left -= n;
    }
}

bool ReadLinkReply() {
    std::uint8_t* r = ProgramJob.rx;
    ReadExact(r, 8);
    const auto complement = [](std::uint8_t a, std::uint8_t b) {
        return a == static_cast<std::uint8_t>(~b);
    };
    return complement(r[0], r[2]) && complement(r[1], r[3]) && complement(r[4], r[5]) &&
           complement(r[6], r[7]);
}

bool AcceptLinkReply() {
    std::uint8_t* r = ProgramJob.rx;
    ClearFlags(false);
    bool infoFollows = false;
    if (r[4] == 'e') {
        r[4] = 'E';
        infoFollows = true;
    } else if (r[4] == 'd') {
        r[4] = 'D';
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

namespace {

std::uint32_t Available() {
    return ProgramJob.serialPort->GetAvailable();
}

void SendTx(std::uint32_t length) {
    ProgramJob.serialPort->Send(ProgramJob.tx, length);
}

void PutLittleEndian(std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        ProgramJob.tx[i] = static_cast<std::uint8_t>(value >> (8 * i));
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
    SendJobStatus(kStatusWaitLink, 0, 0);
    ProgramJob.serialPort->SetReadRequestSize(2);
    static constexpr std::uint8_t kLink[6] = {0xC9, 0xDD, 0x55, 0xAA, 0xDD, 0xC9};
    std::copy(std::begin(kLink), std::end(kLink), ProgramJob.tx);
    ClearFlags(false);
    ArmWatchdog(kTicksCommand);
    SendTx(6);
    ProgramJob.state = 1;
    return 0;
}

WORD LinkReplyState(int event) {
    if (event == kEventWriteDone)
        ProgramJob.writeDone = 1;
    // A reply already taken is not read again: bytes that follow it belong to the next step.
    if (event == kEventData && !ProgramJob.replyOk && Available() >= 8) {
        if (!ReadLinkReply())
            return kResultBadLinkReply;
        ProgramJob.replyOk = 1;
    }
    if (ProgramJob.writeDone && ProgramJob.replyOk) {
        ProgramJob.state = AcceptLinkReply() ? 2 : 3;
    }
    return 0;
}

WORD InfoBlockState(int event) {
    if (event != kEventData || Available() < 32)
        return 0;
    ReadExact(ProgramJob.rx, 32);
    if (ProgramJob.rx[0] == static_cast<std::uint8_t>(~ProgramJob.rx[1])) {
        ProgramJob.eraseTicks = static_cast<std::uint16_t>(ProgramJob.rx[0] * 40);
    }
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
    if (event == kEventWriteDone)
        ProgramJob.writeDone = 1;
    if (event == kEventData && !ProgramJob.replyOk && Available() >= 4) {
        ReadExact(ProgramJob.rx, 4);
        if (!std::equal(ProgramJob.rx, ProgramJob.rx + 4, ProgramJob.tx)) {
            return kResultLengthEcho;
        }
        ProgramJob.replyOk = 1;
        ProgramJob.serialPort->SetReadRequestSize(1);
    }
    if (ProgramJob.writeDone && ProgramJob.replyOk) {
        ClearFlags(false);
        ProgramJob.state = SendNextImagePacket() ? 6 : 7;
        SendJobStatus(kStatusFileLength, 0, ProgramJob.fileSize);
        SendJobStatus(kStatusWritePos, 0, ProgramJob.sendPos);
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
                ReadInto(ProgramJob.readBackBuffer.get(),
                         static_cast<std::int32_t>(ProgramJob.fileSize), &ProgramJob.readBackPos,
                         n - 1);
            }
            ProgramJob.dataReceived = 1;
            std::uint8_t ack = 0;
            ReadExact(&ack, 1);
            if (ack != 0xAA)
                return kResultPacketNotAcked;
            ProgramJob.replyOk = 1;
        }
    }
    if (ProgramJob.writeDone && ProgramJob.replyOk && ProgramJob.dataReceived) {
        ClearFlags(true);
        ProgramJob.state = SendNextImagePacket() ? 6 : 7;
        const bool differs = CompareImageReadback();
        SendJobStatus(kStatusWritePos, 0, ProgramJob.sendPos);
        ArmWatchdog(kTicksPacket);
        if (differs)
            return kResultVerifyFailed;
    }
    return 0;
}

WORD EndOfImageState(int event) {
    if (event != kEventData)
        return 0;
    const std::uint32_t last = static_cast<std::uint32_t>(ProgramJob.lastPacketLength);
    const std::uint32_t n = ProgramJob.packetCount < 2
                                ? last + 2
                                : static_cast<std::uint32_t>(ProgramJob.packetSize) + last + 2;
    if (Available() < n)
        return 0;
    ReadInto(ProgramJob.readBackBuffer.get(), static_cast<std::int32_t>(ProgramJob.fileSize),
             &ProgramJob.readBackPos, n - 2);
    ReadExact(ProgramJob.rx, 2);
    const bool differs = CompareImageReadback();
    if (!RxIs(0xAA, 0x55))
        return kResultNoEndCode;
    if (AppSettings.outputEnable) {
        // Written whole or not at all; a file that cannot be written is skipped silently.
        (void)platform::WriteFileAtomically(
            AppSettings.outputFile,
            std::span(ProgramJob.readBackBuffer.get(), ProgramJob.fileSize));
    }
    ClearFlags(false);
    ProgramJob.state = 11;
    ProgramJob.serialPort->SetReadRequestSize(2);
    SendJobStatus(kStatusBurnChecksum, 0, 0);
    ArmWatchdog(kTicksCommand);
    return differs ? kResultVerifyFailed : 0;
}

}  // namespace

WORD ImageStep(int event) {
    switch (ProgramJob.state) {
        case 0:
            return StartState(event);
        case 1:
            return LinkReplyState(event);
        case 2:
            return InfoBlockState(event);
        case 3:
            return EraseStartState(event);
        case 4:
            return EraseDoneState(event);
        case 5:
            return LengthEchoState(event);
        case 6:
            return PacketAckState(event);
        case 7:
            return EndOfImageState(event);
        default:
            return 0;
    }
}

}  // namespace engine_detail

int SendNextImagePacket() {
    ProgramJobRecord& job = ProgramJob;
    if (job.sendPos >= static_cast<std::int32_t>(job.fileSize))
        return 0;
    ++job.packetCount;
    const std::int32_t size = static_cast<std::int32_t>(job.fileSize);
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
    const WORD code =
        ProgramJob.state < 8 ? engine_detail::ImageStep(event) : engine_detail::ChecksumStep(event);
    if (code != 0)
        EndJobWithResult(code);
}
