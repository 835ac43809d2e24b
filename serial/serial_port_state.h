// The state of a CSerialPort that its threads share. Internal to serial/.
//
// Threading: the owner thread alone writes the line settings, the device handle and the thread
// handles. m_rxFill/m_rxRead are one atomic word (always seen as a pair); the flags that
// several threads touch are atomics; m_txBuffer/m_txLength belong to whoever holds
// m_writeBusy. m_callback, m_owner and m_session are guarded by m_callbackLock. The threads
// hold the state by shared_ptr, so it outlives a thread that misses Close's wait.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/comm_device.h"
#include "platform/event.h"
#include "platform/thread.h"
#include "serial/serial_port.h"

inline constexpr std::uint64_t RxIndices(std::uint32_t fill, std::uint32_t read) {
    return std::uint64_t{fill} << 32 | read;
}
inline constexpr std::uint32_t RxFill(std::uint64_t indices) {
    return static_cast<std::uint32_t>(indices >> 32);
}
inline constexpr std::uint32_t RxRead(std::uint64_t indices) {
    return static_cast<std::uint32_t>(indices);
}

// Slots of the reader's and the writer's events, in the order their thread serves them.
enum ReaderSlot : std::size_t {
    evReaderStop,
    evReadDone,
    evReadRequest,
    evLineDone,
    evLineRequest,
    kReaderEventCount
};
enum WriterSlot : std::size_t { evWriterStop, evWriteDone, evWriteRequest, kWriterEventCount };

inline constexpr std::uint32_t kBufferBytes = 65536;
inline constexpr DWORD kDriverInQueue = 4096;
inline constexpr DWORD kDriverOutQueue = 1024;

struct CSerialPort::State {
    std::atomic<std::uint32_t> m_isOpen{0};
    std::uint32_t m_lineEvents = 0;
    std::int32_t m_portNumber = 1;
    std::uint32_t m_baudRate = 9600;
    std::uint8_t m_parity = 0;
    std::uint8_t m_byteSize = 8;
    std::uint8_t m_stopBits = 0;
    std::shared_ptr<platform::CommDevice> m_hComm;  // null: the invalid handle
    std::atomic<std::uint32_t> m_lastError{0};
    std::string m_lastErrorText;  // the device's reason for the last failed Open; owner thread
    platform::Thread m_hReaderThread;
    platform::Thread m_hWriterThread;
    std::atomic<std::uint32_t> m_writeBusy{0};
    std::atomic<std::uint32_t> m_readPending{0};
    std::vector<BYTE> m_rxBuffer;
    std::uint32_t m_rxCapacity = 0;
    std::atomic<std::uint32_t> m_readRequestSize{100};
    // m_rxFill (high 32 bits) and m_rxRead (low 32 bits) as one word, so that every reader
    // sees them whole without a lock.
    std::atomic<std::uint64_t> m_rxIndices{0};
    std::vector<BYTE> m_txBuffer;
    std::uint32_t m_txCapacity = 0;
    std::uint32_t m_txLength = 0;
    std::array<std::unique_ptr<platform::Event>, kReaderEventCount> m_readerEvents;
    std::array<std::unique_ptr<platform::Event>, kWriterEventCount> m_writerEvents;
    platform::OVERLAPPED m_readOv;
    platform::OVERLAPPED m_lineOv;
    platform::OVERLAPPED m_writeOv;
    std::atomic<std::uint32_t> m_lineWaitPending{0};
    DWORD m_lineEventMask = 0;

    std::mutex m_callbackLock;
    SerialPortCallback m_callback = NullPortCallback;
    CSerialPort* m_owner = nullptr;  // cleared by the destructor: later callbacks are dropped
    std::uint64_t m_session = 0;     // advanced when threads are stopped

    // Send and Read test these instead of the owner's handles, since they run on any thread.
    std::atomic<bool> m_commOpen{false};
    std::atomic<bool> m_readerRunning{false};
    std::atomic<bool> m_writerRunning{false};
    // Bytes between the device and the callback, for InTransit: a transmission that
    // Send queued and the writer has not yet given to the device, and a finished read or write
    // that its thread is serving (from before its completion event is reset until its event
    // has been delivered).
    std::atomic<bool> m_txQueued{false};
    std::atomic<bool> m_readerServing{false};
    std::atomic<bool> m_writerServing{false};
    // Threads that missed Close's wait; Open waits for them before starting new ones.
    platform::Thread m_lingeringReader;
    platform::Thread m_lingeringWriter;

    platform::Event& Reader(ReaderSlot slot) { return *m_readerEvents[slot]; }
    platform::Event& Writer(WriterSlot slot) { return *m_writerEvents[slot]; }

    std::uint64_t Session() {
        std::lock_guard lock(m_callbackLock);
        return m_session;
    }
    void EndSession() {
        std::lock_guard lock(m_callbackLock);
        ++m_session;
    }
    // From a port thread: dropped once its session has ended or the owner is gone.
    void Deliver(std::int32_t kind, std::uint64_t session);
    // From the owner thread.
    void Deliver(std::int32_t kind);
};

// Thread bodies; they keep the state and the device alive while they run. The reader sets
// `purged` once it has purged the receive queue, so that Open can return only after that and
// no byte that arrives after Open is thrown away.
unsigned ReaderThreadProc(std::shared_ptr<CSerialPort::State> state,
                          std::shared_ptr<platform::CommDevice> device, std::uint64_t session,
                          std::shared_ptr<platform::Event> purged);
unsigned WriterThreadProc(std::shared_ptr<CSerialPort::State> state,
                          std::shared_ptr<platform::CommDevice> device, std::uint64_t session);

// How long Close waits for each thread.
std::chrono::milliseconds CloseWait();
