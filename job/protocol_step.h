// The loader protocol engine: one step per event over the job record.
//
// Threading: ProtocolStep runs on the GUI thread (start event), the port's writer thread
// (event 2) and its reader thread (event 3); entry is serialised by ProgramJob.busy. The other
// functions are parts of a step and run only inside it.
#pragma once

#include <cstdint>

#include "platform/win_types.h"
#include "serial/serial_port.h"

// Handles `event` in the current state. An event from a port that is no longer the job's
// (`source` set and different) is ignored, as is every event while no job is active.
void ProtocolStep(int event, const CSerialPort* source = nullptr);

// Image transfer: link, erase, write and verify (states 0 to 7).
int SendNextImagePacket();
int CompareImageReadback();

// Block checksum transfer (states 8 to 14).
int SendNextChecksumPacket();
int CompareChecksumReadback();

namespace engine_detail {
// State handlers; each returns a result code to end the job with, or 0.
WORD ImageStep(int event);
WORD ChecksumStep(int event);
// Clears writeDone, replyOk and, when asked, dataReceived.
void ClearFlags(bool alsoData);
// Reads exactly `count` waiting bytes into `dest` (the caller has checked they are there).
void ReadExact(std::uint8_t* dest, std::uint32_t count);
// Reads `count` waiting bytes into `dest` at `*pos` within a buffer of `capacity` bytes,
// advancing `*pos`; bytes that do not fit are read and dropped, never stored past the end.
void ReadInto(std::uint8_t* dest, std::int32_t capacity, std::int32_t* pos, std::uint32_t count);
// The link reply check shared by both phases: reads 8 bytes into rx; true when the three
// complement pairs match.
bool ReadLinkReply();
// After a valid link reply: letter change, packet sizes, watchdog, version status. Returns
// true when an information block follows.
bool AcceptLinkReply();
}  // namespace engine_detail
