// What the box of a job that failed to start says beneath its text: what was looked for (the
// COM number and the device behind it, the image file) and why it failed, in the system's
// words, a sentence a line. The box's text itself stays as it is.
//
// Threading: any thread; reads the COM table and, for an access failure, the device.
#pragma once

#include <cstdint>
#include <string>

// The line a job asks its port for, as AppSettings holds it (Win32 codes).
struct PortLine {
    std::uint32_t baudRate;
    std::uint8_t byteSize;
    std::uint8_t parity;
    std::uint8_t stopBits;
};

// Beneath "COM port can not be found", "COM can not be accessed" and "Open COM fail": `code` is
// what CSerialPort::Open returned for COM `port`, `reason` its GetLastErrorText.
std::string PortOpenDetails(int port, std::uint32_t code, const std::string& reason,
                            const PortLine& line);

// Beneath "Couldn't open the transmitted file !": `reason` is the image file's OpenError.
std::string ImageOpenDetails(const std::string& path, const std::string& reason);

// "115200 bit/s, 8 data bits, no parity, 1 stop bit".
std::string LineText(const PortLine& line);
