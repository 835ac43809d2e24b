// The reader thread: keeps one device read outstanding, gathers the bytes in the receive
// buffer and reports them; watches the ring and carrier lines when asked to.
#include <algorithm>
#include <span>

#include "serial/serial_port_state.h"

using platform::CommDevice;
using platform::ERROR_IO_PENDING;
using platform::ERROR_SUCCESS;

namespace {

class Reader {
  public:
    Reader(CSerialPort::State& s, CommDevice& device, std::uint64_t session)
        : s_(s), device_(device), session_(session) {}

    void Loop(platform::Event& purged) {
        (void)device_.PurgeComm(platform::PURGE_RXCLEAR);
        purged.Set();
        platform::Event* const events[kReaderEventCount] = {
            &s_.Reader(evReaderStop), &s_.Reader(evReadDone), &s_.Reader(evReadRequest),
            &s_.Reader(evLineDone), &s_.Reader(evLineRequest)};
        for (;;) {
            const auto slot = platform::WaitForAny(events);
            if (!slot) {
                // Only a missing event fails a wait, and that never heals: report and end
                // rather than fail again without pause.
                Fail();
                return;
            }
            switch (*slot) {
                case evReaderStop:
                    return;
                case evReadDone:
                    ReadDone();
                    break;
                case evReadRequest:
                    ReadRequest();
                    break;
                case evLineDone:
                    LineDone();
                    break;
                case evLineRequest:
                    LineRequest();
                    break;
                default:
                    Fail();
                    break;
            }
        }
    }

  private:
    void ReadDone() {
        // Marked before the completion is reset, so that the bytes are never out of sight of
        // InTransit on their way to the callback.
        s_.m_readerServing = true;
        s_.Reader(evReadDone).Reset();
        s_.m_readPending = 0;
        s_.Reader(evReadRequest).Set();  // served after this pass's callback has returned
        DWORD n = 0;
        const DWORD r = device_.GetOverlappedResult(s_.m_readOv, &n);
        if (r != ERROR_SUCCESS || n == 0)
            s_.m_readerServing = false;
        if (r != ERROR_SUCCESS) {
            ErrorRule(r);
            return;
        }
        const std::uint64_t indices =
            s_.m_rxIndices.fetch_add(std::uint64_t{n} << 32) + (std::uint64_t{n} << 32);
        const bool unread = RxFill(indices) != RxRead(indices);
        if (n > 0 || unread)
            s_.Deliver(SPE_DATA, session_);
        s_.m_readerServing = false;
    }

    void ReadRequest() {
        if (s_.m_readPending)
            return;
        s_.m_readPending = 1;
        std::uint32_t fill;
        std::uint32_t count;
        bool nothingUnread;
        {
            // Both indices go back to 0 only when everything has been read.
            std::uint64_t indices = s_.m_rxIndices.load();
            nothingUnread = RxFill(indices) == RxRead(indices);
            while (RxFill(indices) == RxRead(indices) && indices != 0 &&
                   !s_.m_rxIndices.compare_exchange_weak(indices, 0)) {
            }
            fill = RxFill(s_.m_rxIndices.load());
            count = std::min(s_.m_readRequestSize.load(), s_.m_rxCapacity - fill);
        }
        if (count == 0) {
            // Reading stays stopped (m_readPending set) until the port is opened again.
            s_.m_lastError = SP_RX_FULL;
            s_.Deliver(SPE_ERROR, session_);
            return;
        }
        const std::span<BYTE> dest(s_.m_rxBuffer.data() + fill, count);
        // With nothing unread, a read that ends empty delivers nothing and is only started
        // again: the device need not wake this thread for it.
        const DWORD r = nothingUnread ? device_.ReadFileWhenData(dest, s_.m_readOv)
                                      : device_.ReadFile(dest, s_.m_readOv);
        if (r != ERROR_SUCCESS)
            ErrorRule(r);
    }

    void LineDone() {
        s_.Reader(evLineDone).Reset();
        s_.m_lineWaitPending = 0;
        s_.Reader(evLineRequest).Set();
        DWORD unused = 0;
        if (const DWORD r = device_.GetOverlappedResult(s_.m_lineOv, &unused); r != ERROR_SUCCESS) {
            ErrorRule(r);
            return;
        }
        DispatchLineEvent(s_.m_lineEventMask);
    }

    void LineRequest() {
        if (s_.m_lineWaitPending || !s_.m_lineEvents)
            return;
        s_.m_lineWaitPending = 1;
        const DWORD r = device_.WaitCommEvent(&s_.m_lineEventMask, s_.m_lineOv);
        if (r != ERROR_SUCCESS)
            ErrorRule(r);
    }

    // A line state that cannot be read counts as every line off.
    void DispatchLineEvent(DWORD mask) {
        DWORD status = 0;
        if (!device_.GetCommModemStatus(&status))
            status = 0;
        if ((mask & platform::EV_RING) && (status & platform::MS_RING_ON)) {
            s_.Deliver(SPE_RING, session_);
        }
        if (mask & platform::EV_RLSD) {
            s_.Deliver((status & platform::MS_RLSD_ON) ? SPE_CARRIER_ON : SPE_CARRIER_OFF,
                       session_);
        }
    }

    void ErrorRule(DWORD error) {
        if (error != ERROR_IO_PENDING)
            Fail();
    }

    void Fail() {
        s_.m_lastError = SP_READER_FAILED;
        s_.Deliver(SPE_ERROR, session_);
    }

    CSerialPort::State& s_;
    CommDevice& device_;
    const std::uint64_t session_;
};

}  // namespace

unsigned ReaderThreadProc(std::shared_ptr<CSerialPort::State> state,
                          std::shared_ptr<CommDevice> device, std::uint64_t session,
                          std::shared_ptr<platform::Event> purged) {
    if (state && device && purged)
        Reader(*state, *device, session).Loop(*purged);
    return 0;
}
