#include "job/protocol_step.h"

#include <mutex>

#include "job/engine_detail.h"
#include "job/loader_wire.h"

namespace {

using namespace engine_detail;

// Runs the handler of the current state; a state without one does nothing.
WORD RunState(EngineEvent event) {
    switch (ProgramJob.state.load()) {
        case kStateProgramStart:
            return StartStep(event, kStatusWaitLink, wire::kKeyProgram, kStateLinkReply);
        case kStateLinkReply:
            return LinkReplyStep(event, kStateInfoBlock, kStateEraseBegun);
        case kStateInfoBlock:
            return InfoBlockState(event);
        case kStateEraseBegun:
            return EraseBegunState(event);
        case kStateEraseDone:
            return EraseDoneState(event);
        case kStateLengthEcho:
            return LengthEchoState(event);
        case kStateImageAck:
            return PacketAckStep(event, ImageTransfer());
        case kStateEndOfImage:
            return EndOfImageState(event);
        case kStateChecksumStart:
            return StartStep(event, kStatusBurnChecksum, wire::kKeyChecksum,
                             kStateChecksumLinkReply);
        case kStateChecksumLinkReply:
            return LinkReplyStep(event, kStateChecksumInfoBlock, kStateChecksumLinkConfirm);
        case kStateChecksumInfoBlock:
            InfoBlockStep(event, kStateChecksumLinkConfirm);  // the erase time means nothing here
            return 0;
        case kStateChecksumLinkConfirm:
            return ChecksumLinkConfirmState(event);
        case kStateCountEcho:
            return CountEchoState(event);
        case kStateChecksumAck:
            return PacketAckStep(event, TableTransfer());
        case kStateEndOfTable:
            return EndOfTableState(event);
    }
    return 0;
}

}  // namespace

void ProtocolStep(EngineEvent event, const CSerialPort* source) {
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
        const EngineState before = ProgramJob.state;
        if (const WORD code = RunState(event)) {
            EndJobWithResult(code);
            return;
        }
        // A step entered on a write completion may find its reply already waiting; the port
        // reports bytes only as they come, so it is taken now rather than at the next read
        // time-out.
        if (!ProgramJob.active || ProgramJob.state == before || Available() == 0)
            return;
        event = kEventData;
    }
}
