// Pieces shared by the engine's two phases, the image (states 0 to 7) and the checksum table
// (states 8 to 14).
//
// Threading: called only inside ProtocolStep, which holds ProgramJob.busy.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/win_types.h"

namespace engine_detail {

// State handlers; each returns a result code to end the job with, or 0.
WORD ImageStep(int event);
WORD ChecksumStep(int event);

// Clears writeDone, replyOk and, when asked, dataReceived.
void ClearFlags(bool alsoData);
std::uint32_t Available();
// Reads exactly `count` waiting bytes into `dest` (the caller has checked they are there).
void ReadExact(std::uint8_t* dest, std::uint32_t count);
// Reads `count` waiting bytes into `dest` at `*pos` within a buffer of `capacity` bytes,
// advancing `*pos`; bytes that do not fit are read and dropped, never stored past the end.
void ReadInto(std::uint8_t* dest, std::int32_t capacity, std::int32_t* pos, std::uint32_t count);
// True when rx starts with `a`, `b`.
bool RxIs(std::uint8_t a, std::uint8_t b);
// Sends `length` bytes of tx.
void SendTx(std::uint32_t length);
// Puts `value` into tx[0..3], least significant byte first.
void PutLittleEndian(std::uint32_t value);

// The start step of either mode: status `kind`, read size 2, the link request with `k`.
void SendLinkRequest(WORD kind, std::uint8_t k, std::int32_t nextState);
// The link reply step of either mode; goes to `infoState` when an information block follows,
// else to `confirmState`.
WORD LinkReplyStep(int event, std::int32_t infoState, std::int32_t confirmState);
// The count echo of either phase: on event 3 with 4 bytes waiting, compares them with tx.
// Returns the error code, or 0; sets replyOk on a match.
WORD ReadCountEcho(int event, WORD mismatch);

// One data transfer of packets with delayed read-back: the image or the checksum table.
struct Transfer {
    std::uint8_t* readBack;
    std::int32_t total;
    int (*sendNext)();
    int (*compare)();
    std::int32_t packetState;  // waits for a packet acknowledgement
    std::int32_t endState;     // waits for the end message
    WORD positionKind;         // status kind of the bytes sent so far
    WORD notAcked;             // result code of a wrong acknowledgement
    WORD differs;              // result code of a read-back difference
};

// The acknowledgement step of a transfer (states 6 and 13).
WORD PacketAckStep(int event, const Transfer& t);
// The end message of a transfer (states 7 and 14): nothing while fewer bytes wait than it
// holds; otherwise reads it (read-back data, then the end code into rx) and tells whether the
// read-back differed.
std::optional<bool> ReadEndMessage(int event, const Transfer& t);

}  // namespace engine_detail
