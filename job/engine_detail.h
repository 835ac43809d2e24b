// The engine's state handlers and the pieces its two phases share: the image (Program job
// only) and the checksum table (both modes).
//
// Threading: called only inside ProtocolStep, which holds ProgramJob.busy.
#pragma once

#include <cstdint>
#include <optional>

#include "job/loader_wire.h"
#include "job/program_job.h"
#include "platform/win_types.h"

namespace engine_detail {

// One data transfer of packets with delayed read-back: the image or the checksum table.
struct Transfer {
    const std::uint8_t* source;
    std::uint8_t* readBack;
    std::int32_t total;
    EngineState packetState;  // waits for a packet acknowledgement
    EngineState endState;     // waits for the end message
    WORD totalKind;           // status kind of the transfer's length
    WORD positionKind;        // status kind of the bytes sent so far
    WORD notAcked;            // result code of a wrong acknowledgement
    WORD differs;             // result code of a read-back difference
};

// Handlers of the states that are the image phase's alone (image_phase.cpp); each returns a
// result code to end the job with, or 0.
Transfer ImageTransfer();
WORD InfoBlockState(EngineEvent event);
WORD EraseBegunState(EngineEvent event);
WORD EraseDoneState(EngineEvent event);
WORD LengthEchoState(EngineEvent event);
WORD EndOfImageState(EngineEvent event);

// Handlers of the states that are the checksum phase's alone (checksum_phase.cpp).
Transfer TableTransfer();
WORD ChecksumLinkConfirmState(EngineEvent event);
WORD CountEchoState(EngineEvent event);
WORD EndOfTableState(EngineEvent event);

// Handlers that serve both phases (engine_io.cpp).
// The start step: status `kind`, read size 2, the link request with `key`, then `next`.
WORD StartStep(EngineEvent event, WORD kind, std::uint8_t key, EngineState next);
// The link reply; goes to `infoState` when an information block follows, else to
// `confirmState`.
WORD LinkReplyStep(EngineEvent event, EngineState infoState, EngineState confirmState);
// The information block: nothing until it is all waiting; then reads it into rx, goes to
// `next` and re-arms. True when it was read.
bool InfoBlockStep(EngineEvent event, EngineState next);
// The acknowledgement of a packet of `t`.
WORD PacketAckStep(EngineEvent event, const Transfer& t);

// Reading and sending.
// True when `a` is the bitwise complement of `b`.
bool Complement(std::uint8_t a, std::uint8_t b);
// Clears writeDone, replyOk and, when asked, dataReceived.
void ClearFlags(bool alsoData);
std::uint32_t Available();
// True on a data event with at least `count` bytes waiting.
bool Waiting(EngineEvent event, std::uint32_t count);
// Reads exactly `count` waiting bytes into `dest` (the caller has checked they are there).
void ReadExact(std::uint8_t* dest, std::uint32_t count);
// Reads `count` waiting bytes into `dest` at `*pos` within a buffer of `capacity` bytes,
// advancing `*pos`; bytes that do not fit are read and dropped, never stored past the end.
void ReadInto(std::uint8_t* dest, std::int32_t capacity, std::int32_t* pos, std::uint32_t count);

// True when rx starts with `code`.
bool RxIs(const wire::Code& code);
// A two-byte code the loader sends of its own accord.
enum class CodeReply { Pending, Expected, Other };
// Nothing (Pending) until both bytes wait; then reads them into rx and tells whether they
// are `expected`.
CodeReply ReadCode(EngineEvent event, const wire::Code& expected);

// Sends `length` bytes of tx.
void SendTx(std::uint32_t length);
// Puts `value` into tx[0..3], least significant byte first.
void PutLittleEndian(std::uint32_t value);
// The count echo of either phase: on a data event with the count's bytes waiting, compares
// them with tx. Returns `mismatch` on a difference, else 0; sets replyOk on a match.
WORD ReadCountEcho(EngineEvent event, WORD mismatch);

// Transfers (transfer.cpp).
// The read-back that the current packet's acknowledgement carries before its AA (0 or a
// packet), and the bytes of a transfer's end message: the owed read-back and the end code.
std::uint32_t AckReadBackLength();
std::uint32_t EndMessageLength();
// Sends the next packet of `t`; false when it is exhausted.
bool SendNextPacket(const Transfer& t);
// Compares the read-back received so far with the source, from compareIndex on; true at the
// first difference, leaving compareIndex on it.
bool CompareReadback(const Transfer& t);
// After the count echo: counters reset, the first packet sent, the transfer's length and
// position reported.
void BeginTransfer(const Transfer& t);
// The end message of a transfer: nothing while fewer bytes wait than it holds; otherwise
// reads it (read-back data, then the end code into rx) and tells whether the read-back
// differed.
std::optional<bool> ReadEndMessage(EngineEvent event, const Transfer& t);

}  // namespace engine_detail
