// The loader's own time.
//
// A real loader runs on the target's processor, whatever the host is doing. The simulator runs
// on the host, and a loaded host can hold its thread back for a second or more: a reply then
// comes late because the machine was busy, not because the loader was slow, and a host that
// times out on it is judged on something no target does. The serving thread therefore asks
// for real-time scheduling (the lowest real-time priority: it preempts ordinary threads but
// never spins, so it takes no more time than it needs); where that is refused, the highest
// ordinary priority it may take; where that is refused too, it runs as it is.
//
// Threading: applies to the calling thread only.
#pragma once

namespace sim {

enum class LoaderPriority { RealTime, Raised, Ordinary };

LoaderPriority RaiseLoaderPriority();

}  // namespace sim
