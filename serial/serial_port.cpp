// CSerialPort: construction, Open, Close and the owner's calls. The thread loops are in
// reader_loop.cpp and writer_loop.cpp.
#include "serial/serial_port.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <string>

#include "serial/serial_port_state.h"
#include "serial/serial_port_testing.h"

using platform::Event;

namespace {

constexpr std::chrono::milliseconds kCloseWait{2000};
std::atomic<std::int64_t> g_closeWaitMs{kCloseWait.count()};
std::atomic<bool> g_failRx{false}, g_failTx{false}, g_failEvent{false};

platform::DCB BuildDcb(std::uint32_t baudRate, std::uint8_t parity, std::uint8_t byteSize,
                       std::uint8_t stopBits) {
    platform::DCB dcb{};
    dcb.DCBlength = sizeof(platform::DCB);
    dcb.BaudRate = baudRate;
    dcb.fBinary = 1;
    if (parity >= 1 && parity <= 4)
        dcb.fParity = 1;
    dcb.fDtrControl = platform::DTR_CONTROL_DISABLE;
    dcb.fRtsControl = platform::RTS_CONTROL_DISABLE;
    dcb.XonLim = 2048;
    dcb.XoffLim = 515;
    dcb.ByteSize = byteSize;
    dcb.Parity = parity;
    dcb.StopBits = stopBits;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.ErrorChar = 0x63;
    return dcb;
}

platform::COMMTIMEOUTS BuildTimeouts(std::uint32_t baudRate) {
    platform::COMMTIMEOUTS t{};
    // A zero rate is refused by the device; keep the division defined until then.
    t.ReadTotalTimeoutMultiplier = 15000 / std::max<std::uint32_t>(baudRate, 1) + 1;
    return t;
}

std::uint32_t OpenCode(DWORD error) {
    switch (error) {
        case platform::ERROR_FILE_NOT_FOUND:
            return SP_NO_DEVICE;
        case platform::ERROR_ACCESS_DENIED:
            return SP_ACCESS_DENIED;
        default:
            return SP_OPEN_FAILED;
    }
}

template <std::size_t N>
bool AllExist(const std::array<std::unique_ptr<Event>, N>& events) {
    return std::all_of(events.begin(), events.end(), [](const auto& e) { return e != nullptr; });
}

// Signals `stop` and waits for the thread; one that misses the wait is kept as `lingering`.
void StopThread(platform::Thread& thread, Event& stop, platform::Thread& lingering) {
    stop.Set();
    if (!thread.Wait(CloseWait()))
        lingering = std::move(thread);
    thread = platform::Thread();
}

}  // namespace

std::chrono::milliseconds CloseWait() {
    return std::chrono::milliseconds(g_closeWaitMs.load());
}

namespace serial_testing {
void SetAllocationFailures(AllocationFailures failures) {
    g_failRx = failures.rxBuffer;
    g_failTx = failures.txBuffer;
    g_failEvent = failures.event;
}
void SetCloseWait(std::chrono::milliseconds wait) {
    g_closeWaitMs = wait.count() > 0 ? wait.count() : kCloseWait.count();
}
}  // namespace serial_testing

SerialPortTestAccess::Settings SerialPortTestAccess::Get(const CSerialPort& port) {
    const CSerialPort::State& s = *port.m_;
    return {s.m_portNumber, s.m_baudRate, s.m_parity, s.m_byteSize, s.m_stopBits, s.m_lineEvents};
}

void NullPortCallback(CSerialPort*, std::int32_t) {}

void CSerialPort::State::Deliver(std::int32_t kind, std::uint64_t session) {
    SerialPortCallback callback;
    CSerialPort* owner;
    {
        std::lock_guard lock(m_callbackLock);
        if (session != m_session || m_owner == nullptr)
            return;
        callback = m_callback;
        owner = m_owner;
    }
    callback(owner, kind);
}

void CSerialPort::State::Deliver(std::int32_t kind) {
    SerialPortCallback callback;
    CSerialPort* owner;
    {
        std::lock_guard lock(m_callbackLock);
        callback = m_callback;
        owner = m_owner;
    }
    callback(owner, kind);
}

CSerialPort::CSerialPort() : m_(std::make_shared<State>()) {
    State& s = *m_;
    s.m_owner = this;
    try {
        if (g_failRx)
            throw std::bad_alloc();
        s.m_rxBuffer.resize(kBufferBytes);
        s.m_rxCapacity = kBufferBytes;
    } catch (const std::bad_alloc&) {
    }
    try {
        if (g_failTx)
            throw std::bad_alloc();
        s.m_txBuffer.resize(kBufferBytes);
        s.m_txCapacity = kBufferBytes;
    } catch (const std::bad_alloc&) {
    }
    constexpr Event::ResetMode kReaderModes[kReaderEventCount] = {
        Event::ResetMode::Automatic, Event::ResetMode::Manual, Event::ResetMode::Automatic,
        Event::ResetMode::Manual, Event::ResetMode::Automatic};
    constexpr Event::ResetMode kWriterModes[kWriterEventCount] = {
        Event::ResetMode::Automatic, Event::ResetMode::Manual, Event::ResetMode::Automatic};
    try {
        for (std::size_t i = 0; i < kReaderEventCount; ++i) {
            s.m_readerEvents[i] = std::make_unique<Event>(kReaderModes[i]);
        }
        for (std::size_t i = 0; i < kWriterEventCount; ++i) {
            s.m_writerEvents[i] = std::make_unique<Event>(kWriterModes[i]);
        }
        if (g_failEvent)
            s.m_writerEvents[evWriteRequest].reset();
    } catch (const std::bad_alloc&) {
    }
}

CSerialPort::~CSerialPort() {
    Close();
    // A thread that missed Close's wait still holds the state; it must not call back into an
    // object that no longer exists.
    std::lock_guard lock(m_->m_callbackLock);
    m_->m_owner = nullptr;
}

void CSerialPort::SetCallback(SerialPortCallback callback) {
    std::lock_guard lock(m_->m_callbackLock);
    m_->m_callback = callback ? callback : NullPortCallback;
}

void CSerialPort::SetReadRequestSize(std::uint32_t count) {
    // A 0-byte read would finish at once and be requested again without end.
    m_->m_readRequestSize = std::max<std::uint32_t>(1, std::min(count, m_->m_rxCapacity));
}

namespace {
std::uint32_t OpenDevice(const std::shared_ptr<CSerialPort::State>& state, std::int32_t portNumber,
                         std::uint32_t baudRate, std::uint8_t parity, std::uint8_t byteSize,
                         std::uint8_t stopBits, std::uint32_t lineEvents);
}  // namespace

std::uint32_t CSerialPort::Open(std::int32_t portNumber, std::uint32_t baudRate,
                                std::uint8_t parity, std::uint8_t byteSize, std::uint8_t stopBits,
                                std::uint32_t lineEvents) {
    State& s = *m_;
    if (s.m_isOpen)
        Close();
    if (s.m_hComm) {
        s.m_hComm->Close();
        std::atomic_store(&s.m_hComm, {});
        s.m_commOpen = false;
    }

    s.m_lastErrorText.clear();
    std::uint32_t code = SP_OK;
    if (s.m_rxCapacity == 0)
        code = SP_NO_RX_BUFFER;
    if (s.m_txCapacity == 0)
        code = SP_NO_TX_BUFFER;
    if (code == SP_OK && portNumber >= 256)
        code = SP_BAD_PORT_NUMBER;
    if (code == SP_OK)
        code = OpenDevice(m_, portNumber, baudRate, parity, byteSize, stopBits, lineEvents);

    s.m_lastError = code;
    if (code != SP_OK) {
        if (s.m_hComm) {
            s.m_commOpen = false;
            s.m_hComm->Close();
            std::atomic_store(&s.m_hComm, {});
        }
        s.Deliver(SPE_ERROR);
        return code;
    }
    s.m_isOpen = 1;
    s.Deliver(SPE_OPENED);
    return SP_OK;
}

namespace {

// Applies the line settings to a freshly opened device; the last step that fails names the
// code.
std::uint32_t ConfigureDevice(platform::CommDevice& device, const platform::DCB& dcb,
                              const platform::COMMTIMEOUTS& timeouts, std::uint32_t lineEvents) {
    std::uint32_t code = SP_OK;
    if (!device.SetCommMask(lineEvents ? platform::EV_RING | platform::EV_RLSD : 0)) {
        code = SP_SET_MASK_FAILED;
    }
    if (!device.SetCommTimeouts(timeouts))
        code = SP_SET_TIMEOUTS_FAILED;
    if (!device.SetCommState(dcb))
        code = SP_SET_STATE_FAILED;
    if (!device.SetupComm(kDriverInQueue, kDriverOutQueue))
        code = SP_SETUP_FAILED;
    if (!device.PurgeComm(platform::PURGE_TXCLEAR | platform::PURGE_RXCLEAR)) {
        code = SP_PURGE_FAILED;
    }
    (void)device.ClearCommError(nullptr);
    return code;
}

// Clears what the last session left and asks for the first read (and line wait).
void ArmSession(CSerialPort::State& s, std::uint32_t lineEvents) {
    s.m_writeBusy = 0;
    s.m_txQueued = false;
    s.m_readPending = 0;
    s.m_lineWaitPending = 0;
    // Requests and completions left from the last session must not start stale operations
    // (a queued Send that Close overtook would otherwise be written now).
    for (auto slot : {evReadDone, evReadRequest, evLineDone, evLineRequest}) {
        s.Reader(slot).Reset();
    }
    for (auto slot : {evWriteDone, evWriteRequest})
        s.Writer(slot).Reset();
    s.Reader(evReadRequest).Set();
    if (lineEvents)
        s.Reader(evLineRequest).Set();
}

// Starts the reader, waits for its first purge, then starts the writer; a writer that cannot
// start takes the reader down with it.
std::uint32_t StartThreads(const std::shared_ptr<CSerialPort::State>& state,
                           const std::shared_ptr<platform::CommDevice>& device) {
    CSerialPort::State& s = *state;
    const std::uint64_t session = s.Session();
    if (s.m_lingeringReader && !s.m_lingeringReader.Wait(CloseWait())) {
        return SP_READER_START_FAILED;
    }
    s.m_readerRunning = true;
    auto purged = std::make_shared<Event>(Event::ResetMode::Manual);
    s.m_hReaderThread = platform::Thread::Start(
        [state, device, session, purged] { ReaderThreadProc(state, device, session, purged); },
        platform::Thread::Priority::Highest);
    if (!s.m_hReaderThread) {
        s.m_readerRunning = false;
        return SP_READER_START_FAILED;
    }
    // The reader purges the receive queue when it starts; a reply to the first Send could
    // otherwise arrive before that purge and be lost.
    (void)purged->Wait(CloseWait());

    const bool writerFree = !s.m_lingeringWriter || s.m_lingeringWriter.Wait(CloseWait());
    if (writerFree) {
        s.m_writerRunning = true;
        s.m_hWriterThread = platform::Thread::Start(
            [state, device, session] { WriterThreadProc(state, device, session); },
            platform::Thread::Priority::Highest);
    }
    if (!s.m_hWriterThread) {
        s.m_writerRunning = false;
        StopThread(s.m_hReaderThread, s.Reader(evReaderStop), s.m_lingeringReader);
        s.m_readerRunning = false;
        s.EndSession();
        return SP_WRITER_START_FAILED;
    }
    return SP_OK;
}

// Open's work once the buffers and the port number have passed: stores the settings, opens
// and configures the device, and starts both threads.
std::uint32_t OpenDevice(const std::shared_ptr<CSerialPort::State>& state, std::int32_t portNumber,
                         std::uint32_t baudRate, std::uint8_t parity, std::uint8_t byteSize,
                         std::uint8_t stopBits, std::uint32_t lineEvents) {
    CSerialPort::State& s = *state;
    s.m_lineEvents = lineEvents;
    s.m_portNumber = portNumber;
    const std::string name = "COM" + std::to_string(portNumber);
    s.m_baudRate = baudRate;
    s.m_parity = parity;
    s.m_byteSize = byteSize;
    s.m_stopBits = stopBits;
    s.m_readOv = {};
    s.m_lineOv = {};
    s.m_writeOv = {};

    const platform::DCB dcb = BuildDcb(baudRate, parity, byteSize, stopBits);
    const platform::COMMTIMEOUTS timeouts = BuildTimeouts(baudRate);

    std::shared_ptr<platform::CommDevice> device = platform::CreateCommDevice();
    if (const DWORD error = device->Open(name); error != platform::ERROR_SUCCESS) {
        s.m_lastErrorText = device->LastErrorText();
        return OpenCode(error);
    }
    std::atomic_store(&s.m_hComm, device);
    s.m_commOpen = true;

    s.m_readOv.hEvent = s.m_readerEvents[evReadDone].get();
    s.m_lineOv.hEvent = s.m_readerEvents[evLineDone].get();
    s.m_writeOv.hEvent = s.m_writerEvents[evWriteDone].get();

    if (const std::uint32_t code = ConfigureDevice(*device, dcb, timeouts, lineEvents);
        code != SP_OK) {
        s.m_lastErrorText = device->LastErrorText();
        return code;
    }
    if (!AllExist(s.m_readerEvents) || !AllExist(s.m_writerEvents))
        return SP_NO_EVENTS;
    ArmSession(s, lineEvents);
    return StartThreads(state, device);
}

}  // namespace

void CSerialPort::Close() {
    State& s = *m_;
    if (s.m_hReaderThread) {
        StopThread(s.m_hReaderThread, s.Reader(evReaderStop), s.m_lingeringReader);
        s.m_readerRunning = false;
    }
    if (s.m_hWriterThread) {
        StopThread(s.m_hWriterThread, s.Writer(evWriterStop), s.m_lingeringWriter);
        s.m_writerRunning = false;
    }
    if (s.m_hComm) {
        s.EndSession();
        s.m_commOpen = false;
        s.m_hComm->Close();
        std::atomic_store(&s.m_hComm, {});
        s.Deliver(SPE_CLOSED);
    }
    s.m_isOpen = 0;
}

std::uint32_t CSerialPort::Send(const std::uint8_t* data, std::uint32_t length) {
    State& s = *m_;
    std::uint32_t code = SP_OK;
    if (!s.m_commOpen || !s.m_writerRunning)
        code = SP_NOT_OPEN;
    if (s.m_writeBusy)
        code = SP_WRITE_BUSY;
    if (length > s.m_txCapacity)
        code = SP_TOO_LONG;
    if (data == nullptr)
        return SP_NO_SOURCE;
    if (code != SP_OK)
        return code;
    // The test and the set are one step, so two senders cannot both pass.
    std::uint32_t idle = 0;
    if (!s.m_writeBusy.compare_exchange_strong(idle, 1))
        return SP_WRITE_BUSY;
    if (length > 0)
        std::memcpy(s.m_txBuffer.data(), data, length);
    s.m_txLength = length;
    s.m_txQueued = true;
    s.Writer(evWriteRequest).Set();
    return SP_OK;
}

std::uint32_t CSerialPort::Read(std::uint8_t* dest, std::uint32_t destSize, std::uint32_t* got) {
    State& s = *m_;
    std::uint32_t code = SP_OK;
    if (!s.m_commOpen || !s.m_readerRunning)
        code = SP_NOT_OPEN;
    if (dest == nullptr)
        code = SP_NO_DESTINATION;
    if (got)
        *got = 0;
    if (code != SP_OK)
        return code;
    // The reader thread writes only past m_rxFill and resets the pair only when everything was
    // read, so the bytes below m_rxFill stay put while they are copied.
    std::uint64_t indices = s.m_rxIndices.load();
    std::uint32_t n = 0;
    do {
        const std::uint32_t read = RxRead(indices);
        n = std::min(RxFill(indices) - read, destSize);
        if (n > 0)
            std::memcpy(dest, s.m_rxBuffer.data() + read, n);
    } while (n > 0 && !s.m_rxIndices.compare_exchange_weak(
                          indices, RxIndices(RxFill(indices), RxRead(indices) + n)));
    if (got)
        *got = n;
    return SP_OK;
}

std::uint32_t CSerialPort::GetAvailable() const {
    const std::uint64_t indices = m_->m_rxIndices.load();
    return RxFill(indices) - RxRead(indices);
}

std::uint32_t CSerialPort::GetLastError() const {
    return m_->m_lastError;
}

DWORD CSerialPort::EscapeCommFunction(platform::LineFunction function) {
    const std::shared_ptr<platform::CommDevice> device = std::atomic_load(&m_->m_hComm);
    if (!device || !m_->m_commOpen)
        return platform::ERROR_INVALID_HANDLE;
    return device->EscapeCommFunction(function);
}

std::string CSerialPort::GetLastErrorText() const {
    return m_->m_lastErrorText;
}

CSerialPort::Transit CSerialPort::InTransit() const {
    State& s = *m_;
    Transit t;
    t.sending = s.m_txQueued || s.Writer(evWriteDone).IsSet() || s.m_writerServing;
    // The received bytes are looked at in the order they move (device, finished read, receive
    // buffer), so a byte that moves on while this runs is seen again rather than missed.
    if (const auto device = std::atomic_load(&s.m_hComm)) {
        platform::COMSTAT stat{};
        if (device->ClearCommError(&stat))
            t.received += stat.cbInQue;
        DWORD got = 0;
        if ((s.Reader(evReadDone).IsSet() || s.m_readerServing) &&
            device->GetOverlappedResult(s.m_readOv, &got) == platform::ERROR_SUCCESS) {
            t.received += got;
        }
    }
    t.received += GetAvailable();
    return t;
}
