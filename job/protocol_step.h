// The loader protocol engine: one step per event over the job record.
//
// Threading: ProtocolStep runs on the GUI thread (the start event), the port's writer thread
// (write completions) and its reader thread (data); entry is serialised by ProgramJob.busy.
#pragma once

#include "job/program_job.h"
#include "serial/serial_port.h"

// Handles `event` in the current state. An event from a port that is no longer the job's
// (`source` set and different) is ignored, as is every event while no job is active.
void ProtocolStep(EngineEvent event, const CSerialPort* source = nullptr);

// The bytes the current state still waits for from the loader: its whole reply, or 0 when the
// reply is in and the state waits only for its own transmission to complete (or nothing was
// asked yet). Only while ProgramJob.busy is held.
std::uint32_t AwaitedReplyBytes();
