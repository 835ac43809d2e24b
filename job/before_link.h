// A front end's step between opening the port and the first link request of a job: kven-cli
// drives DTR and RTS there to reset the target into its loader. None by default, so the lines
// stay as the port's open left them (both off).
//
// Threading: set on the thread that starts jobs while no job runs; the step runs on that
// thread inside StartJob, with the port open and the job not yet active.
#pragma once

#include <functional>

class CSerialPort;

// The step; false when it failed, having shown its own message: the job does not start.
using BeforeLinkStep = std::function<bool(CSerialPort& port)>;

// Replaces the step; an empty one removes it.
void SetBeforeLinkStep(BeforeLinkStep step);

// Runs the step, if one is set; true when there is none.
bool RunBeforeLinkStep(CSerialPort& port);
