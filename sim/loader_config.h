// How the simulated loader presents itself and behaves.
//
// Threading: a plain value; copied into the simulator at start.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "sim/faults.h"

namespace sim {

struct LoaderConfig {
    std::uint16_t versionWord = 0x0123;  // link reply bytes r0 r1
    std::uint8_t letter = 'A';           // 'e' or 'd' make the loader send its information block
    std::uint8_t packetSize = 255;       // 1 to 255
    std::uint8_t eraseUnits = 4;         // erase time told in the information block, 2 s units
    // The erase really takes eraseUnits x 2 s x eraseScale. A chip finishes within its rated
    // time, and the host allows exactly the rated time, so the default stays well inside it.
    double eraseScale = 0.5;
    std::uint32_t baud = 0;     // wire pacing and ideal wire time; 0: unpaced
    std::vector<Fault> faults;  // applied to every session
    // A session whose host sends nothing for this long while the loader waits for it ends
    // (ending Idle), so a host that went away mid-session does not hold the loader.
    std::chrono::milliseconds idleTimeout{3000};
};

}  // namespace sim
