// The writer thread: carries out one queued transmission at a time.
#include <span>

#include "serial/serial_port_state.h"

using platform::CommDevice;
using platform::ERROR_IO_PENDING;
using platform::ERROR_SUCCESS;

namespace {

void WriterLoop(CSerialPort::State& s, CommDevice& device, std::uint64_t session) {
    auto fail = [&] {
        s.m_lastError = SP_WRITER_FAILED;
        s.Deliver(SPE_ERROR, session);
    };
    auto errorRule = [&](DWORD error) {
        if (error != ERROR_IO_PENDING)
            fail();
    };

    (void)device.PurgeComm(platform::PURGE_TXCLEAR);
    platform::Event* const events[kWriterEventCount] = {
        &s.Writer(evWriterStop), &s.Writer(evWriteDone), &s.Writer(evWriteRequest)};
    for (;;) {
        const auto slot = platform::WaitForAny(events);
        if (!slot) {
            fail();  // a missing event never heals; end instead of failing again at once
            return;
        }
        switch (*slot) {
            case evWriterStop:
                return;
            case evWriteDone: {
                s.m_writerServing = true;  // before the reset: see InTransit
                // Cleared before SPE_WRITE_DONE so that its callback may send at once.
                s.m_writeBusy = 0;
                s.Writer(evWriteDone).Reset();
                DWORD n = 0;
                const DWORD r = device.GetOverlappedResult(s.m_writeOv, &n);
                if (r == ERROR_SUCCESS) {
                    s.Deliver(SPE_WRITE_DONE, session);
                } else {
                    errorRule(r);
                }
                s.m_writerServing = false;
                break;
            }
            case evWriteRequest: {
                // Even a write that finishes at once is reported by the evWriteDone branch.
                const std::span<const BYTE> src(s.m_txBuffer.data(), s.m_txLength);
                const DWORD r = device.WriteFile(src, s.m_writeOv);
                // Given to the device: a completion, at once or later, is now its to signal.
                s.m_txQueued = false;
                if (r != ERROR_SUCCESS)
                    errorRule(r);
                break;
            }
            default:
                fail();
                break;
        }
    }
}

}  // namespace

unsigned WriterThreadProc(std::shared_ptr<CSerialPort::State> state,
                          std::shared_ptr<CommDevice> device, std::uint64_t session) {
    if (state && device)
        WriterLoop(*state, *device, session);
    return 0;
}
