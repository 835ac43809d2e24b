// What the current state still waits for from the loader, for the watchdog: a time-out that
// falls while the whole of it is already in this host is not the loader's.
#include "job/engine_detail.h"
#include "job/loader_wire.h"
#include "job/program_job.h"
#include "job/protocol_step.h"

std::uint32_t AwaitedReplyBytes() {
    using namespace engine_detail;
    const ProgramJobRecord& job = ProgramJob;
    switch (job.state.load()) {
        case kStateLinkReply:
        case kStateChecksumLinkReply:
            return job.replyOk ? 0 : wire::kLinkReplyLength;
        case kStateInfoBlock:
        case kStateChecksumInfoBlock:
            return wire::kInfoBlockLength;
        case kStateEraseBegun:
        case kStateEraseDone:
        case kStateChecksumLinkConfirm:
            return wire::kCodeLength;
        case kStateLengthEcho:
        case kStateCountEcho:
            return job.replyOk ? 0 : wire::kCountLength;
        case kStateImageAck:
        case kStateChecksumAck:
            return job.replyOk && job.dataReceived ? 0 : AckReadBackLength() + wire::kAckLength;
        case kStateEndOfImage:
        case kStateEndOfTable:
            return EndMessageLength();
        default:
            return 0;  // a start state: nothing was asked yet
    }
}
