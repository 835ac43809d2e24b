// Test hooks of CSerialPort: faults that cannot be provoked from outside.
//
// Threading: set them only while no port is being constructed, opened or closed elsewhere.
#pragma once

#include <chrono>
#include <cstdint>

class CSerialPort;

namespace serial_testing {

// Makes later constructors fail to allocate the named parts (capacity 0, a missing event).
struct AllocationFailures {
    bool rxBuffer = false;
    bool txBuffer = false;
    bool event = false;
};
void SetAllocationFailures(AllocationFailures failures);

// Replaces the 2,000 ms that Close waits for each thread (a zero or negative value restores it).
void SetCloseWait(std::chrono::milliseconds wait);

}  // namespace serial_testing

// The stored line settings of a port.
struct SerialPortTestAccess {
    struct Settings {
        std::int32_t portNumber;
        std::uint32_t baudRate;
        std::uint8_t parity;
        std::uint8_t byteSize;
        std::uint8_t stopBits;
        std::uint32_t lineEvents;
    };
    static Settings Get(const CSerialPort& port);
};
