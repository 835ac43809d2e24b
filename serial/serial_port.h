// CSerialPort: one COM port with a reader and a writer thread, a 64 KiB receive buffer, a
// 64 KiB transmit buffer and one event callback.
//
// Threading: Open, Close, SetCallback and destruction belong to the owner thread, never to a
// callback. Send, GetAvailable and SetReadRequestSize may be called from any thread, including
// from inside the callback. Read too, but by one caller at a time (the job's engine serialises
// its callers): two concurrent Reads could both take the same bytes when the reader thread
// resets the buffer's indices between them. Callbacks run on the thread named by each event kind:
// SPE_OPENED, SPE_CLOSED and Open's SPE_ERROR on the owner's thread, SPE_DATA and the line
// events on the reader thread, SPE_WRITE_DONE on the writer thread.
//
// Lifetime: the buffers, events and device state live in State, which each thread shares, so
// a thread whose callback outlasts Close's 2-second wait still finds them. Once Close has
// given up on a thread, that thread delivers nothing more, and once the destructor has run no
// callback starts; a callback already running at that moment must not touch the port again.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/line_function.h"
#include "platform/win_types.h"

class CSerialPort;

enum SerialPortEvent : std::int32_t {
    SPE_OPENED = 0,
    SPE_CLOSED = 1,
    SPE_WRITE_DONE = 2,
    SPE_DATA = 3,
    SPE_RING = 4,
    SPE_CARRIER_ON = 5,
    SPE_CARRIER_OFF = 6,
    SPE_ERROR = 7,
};

using SerialPortCallback = void (*)(CSerialPort* sender, std::int32_t kind);
void NullPortCallback(CSerialPort* sender, std::int32_t kind);

// Result codes of Open, Send, Read and the threads.
enum SerialPortResult : std::uint32_t {
    SP_OK = 0,
    SP_SET_MASK_FAILED = 1,
    SP_SET_TIMEOUTS_FAILED = 2,
    SP_SET_STATE_FAILED = 3,
    SP_SETUP_FAILED = 4,
    SP_PURGE_FAILED = 5,
    SP_NO_DEVICE = 6,
    SP_ACCESS_DENIED = 7,
    SP_OPEN_FAILED = 8,
    SP_BAD_PORT_NUMBER = 9,
    SP_NO_EVENTS = 10,
    SP_READER_START_FAILED = 11,
    SP_WRITER_START_FAILED = 12,
    SP_READER_FAILED = 13,
    SP_WRITER_FAILED = 14,
    SP_WRITE_BUSY = 15,
    SP_TOO_LONG = 16,
    SP_NO_SOURCE = 17,
    SP_NO_DESTINATION = 18,
    SP_NOT_OPEN = 19,
    SP_NO_RX_BUFFER = 20,
    SP_NO_TX_BUFFER = 21,
    SP_RX_FULL = 22,
};

class CSerialPort {
  public:
    CSerialPort();
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    void SetCallback(SerialPortCallback callback);
    void SetReadRequestSize(std::uint32_t count);
    std::uint32_t Open(std::int32_t portNumber, std::uint32_t baudRate, std::uint8_t parity,
                       std::uint8_t byteSize, std::uint8_t stopBits, std::uint32_t lineEvents);
    void Close();
    std::uint32_t Send(const std::uint8_t* data, std::uint32_t length);
    std::uint32_t Read(std::uint8_t* dest, std::uint32_t destSize, std::uint32_t* got);
    std::uint32_t GetAvailable() const;
    // The result of the last Open, or the thread code (13, 14, 22) behind an SPE_ERROR.
    std::uint32_t GetLastError() const;
    // Why the last Open failed in the device, in the system's words ("Permission denied");
    // empty when it failed before the device or the device had nothing to say. Owner thread.
    std::string GetLastErrorText() const;
    // What is on its way through this host rather than with the peer, for an owner about to
    // give up on a silent peer. `received`: bytes the device has received that the owner has
    // not read yet (in the device's input queue, in a finished read, or unread in the receive
    // buffer); a byte moving between two of them may be counted twice, never missed.
    // `sending`: a transmission given to Send has not yet been handed to the device, or its
    // completion not yet reported with SPE_WRITE_DONE. Bytes the device has taken but not yet
    // sent (its output queue) are the line's, at its speed, or wait on the peer: they do not
    // count. Any thread.
    struct Transit {
        std::uint32_t received = 0;
        bool sending = false;
    };
    Transit InTransit() const;
    // Raises or drops DTR or RTS on the open device (a reset into the target's loader): a
    // Win32 error code, ERROR_SUCCESS on success, ERROR_INVALID_HANDLE while closed and
    // ERROR_NOT_SUPPORTED when the device has no modem lines. Open leaves both lines off and
    // nothing else here changes them. Owner thread, while no callback needs the lines.
    DWORD EscapeCommFunction(platform::LineFunction function);

    struct State;  // shared with the threads, so it outlives a thread that misses Close's wait

  private:
    friend struct SerialPortTestAccess;
    std::shared_ptr<State> m_;
};
