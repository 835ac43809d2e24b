// The checksum phase of either job: the table's byte count, then the table's packets with
// their delayed read-back. Its start, link reply and information block are the shared steps.
#include <span>

#include "job/engine_detail.h"
#include "job/loader_wire.h"
#include "job/program_job.h"
#include "platform/file_io.h"
#include "settings/app_settings.h"

namespace engine_detail {
namespace {

std::int32_t TableBytes() {
    return std::int32_t{ProgramJob.blockCount} * kBlockSumBytes;
}

}  // namespace

Transfer TableTransfer() {
    return {ProgramJob.blockSums.get(),
            ProgramJob.readBackSums.get(),
            TableBytes(),
            kStateChecksumAck,
            kStateEndOfTable,
            kStatusChecksumLength,
            kStatusChecksumPos,
            kResultChecksumNotAcked,
            kResultChecksumCompare};
}

WORD ChecksumLinkConfirmState(EngineEvent event) {
    const CodeReply reply = ReadCode(event, wire::kLinkConfirm);
    if (reply != CodeReply::Expected)
        return reply == CodeReply::Other ? kResultChecksumLink : 0;
    PutLittleEndian(static_cast<std::uint32_t>(TableBytes()));
    ClearFlags(false);
    ArmWatchdog(kTicksCommand);
    SendTx(wire::kCountLength);
    ProgramJob.state = kStateCountEcho;
    return 0;
}

WORD CountEchoState(EngineEvent event) {
    if (const WORD code = ReadCountEcho(event, kResultChecksumCountEcho))
        return code;
    if (ProgramJob.writeDone && ProgramJob.replyOk)
        BeginTransfer(TableTransfer());
    return 0;
}

WORD EndOfTableState(EngineEvent event) {
    const std::optional<bool> differs = ReadEndMessage(event, TableTransfer());
    if (!differs)
        return 0;
    if (!RxIs(wire::kEndCode))
        return kResultNoEndCode;
    if (AppSettings.eepsumOutputEnable) {
        const OwnWorkScope writing(OwnWork::WritingChecksums);
        (void)platform::WriteFileAtomically(
            AppSettings.eepsumFile,
            std::span(ProgramJob.readBackSums.get(), static_cast<std::size_t>(TableBytes())));
    }
    EndJobWithResult(*differs ? kResultChecksumCompare : kResultOk);
    return 0;
}

}  // namespace engine_detail
