// Placeholder until the port is built: every operation reports that the port is not open.
#include "serial/serial_port.h"

struct CSerialPort::State {};
void NullPortCallback(CSerialPort*, std::int32_t) {}
CSerialPort::CSerialPort() = default;
CSerialPort::~CSerialPort() = default;
void CSerialPort::SetCallback(SerialPortCallback) {}
void CSerialPort::SetReadRequestSize(std::uint32_t) {}
std::uint32_t CSerialPort::Open(std::int32_t, std::uint32_t, std::uint8_t, std::uint8_t,
                                std::uint8_t, std::uint32_t) {
    return SP_OPEN_FAILED;
}
void CSerialPort::Close() {}
std::uint32_t CSerialPort::Send(const std::uint8_t*, std::uint32_t) { return SP_NOT_OPEN; }
std::uint32_t CSerialPort::Read(std::uint8_t*, std::uint32_t, std::uint32_t* got) {
    if (got) *got = 0;
    return SP_NOT_OPEN;
}
std::uint32_t CSerialPort::GetAvailable() const { return 0; }
std::uint32_t CSerialPort::GetLastError() const { return 0; }
