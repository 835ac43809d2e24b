// The kernel's termios2 interface (<asm/termbits.h>), kept apart because it clashes with the C
// library's <termios.h>. Each call returns 0 or an errno value.
//
// Threading: free functions on a caller's descriptor; no shared state.
#pragma once

#include <cstdint>

namespace platform::termios2 {

// Win32 line codes, as the DCB carries them.
struct LineSettings {
    std::uint32_t baudRate;
    std::uint8_t byteSize;  // 5..8
    std::uint8_t parity;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t stopBits;  // 0 one, 1 one and a half (5 data bits only), 2 two
};

// The line a driver reports after a change, read back with TCGETS2.
struct LineReadBack {
    std::uint32_t baudRate;
    std::uint8_t byteSize;
    std::uint8_t parity;  // Win32 code, as in LineSettings
    bool extraStopBit;    // CSTOPB: two stop bits, or one and a half with 5 data bits
};

// Raw mode, CLOCAL|CREAD, any rate through BOTHER, no flow control, HUPCL cleared. EINVAL
// when a code has no termios meaning; the driver's refusal, if any; ENOTSUP when the driver
// put another line in place of the one asked for (see DriverKept), which *applied then
// describes. A pseudo-terminal has no line to check.
int ApplyLineSettings(int fd, const LineSettings& settings, LineReadBack* applied = nullptr);

// Drivers adjust what they cannot do instead of refusing it: an 8250 asked for more than its
// clock allows runs at 9600 bit/s, some drop mark and space parity. False when `applied` is not
// the line asked for: another size, parity or stop bits, or a rate more than 3 % off (a clock
// divider's rounding stays well inside that, and a receiver tolerates about that much).
bool DriverKept(const LineSettings& asked, const LineReadBack& applied);

// Drops DTR and RTS; ENOTTY (no modem lines) counts as done.
int ClearModemLines(int fd);
// Raises (TIOCMBIS) or drops (TIOCMBIC) DTR or RTS alone. ENOTTY: the device has no modem
// lines (a pseudo-terminal).
enum class ModemLine { Dtr, Rts };
int ChangeModemLine(int fd, ModemLine line, bool on);
// Discards what the driver holds for input and/or output.
int Flush(int fd, bool input, bool output);
// Modem line state as TIOCM_* bits in *lines.
int ModemLines(int fd, int* lines);
// Blocks until the ring indicator or carrier detect changes (TIOCMIWAIT).
int WaitRingOrCarrier(int fd);
bool RingBit(int lines);
bool CarrierBit(int lines);

// Sets ASYNC_LOW_LATENCY; *oldFlags receives the flags to restore. ENOTTY and EINVAL mean the
// driver has no such setting.
int SetLowLatency(int fd, int* oldFlags);
int RestoreSerialFlags(int fd, int oldFlags);

}  // namespace platform::termios2
