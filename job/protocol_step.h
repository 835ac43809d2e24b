// The loader protocol engine: one step per event over the job record.
//
// Threading: ProtocolStep runs on the GUI thread (start event), the port's writer thread
// (event 2) and its reader thread (event 3); entry is serialised by ProgramJob.busy. The other
// functions are parts of a step and run only inside it.
#pragma once

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
