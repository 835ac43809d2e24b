// Receiving through CSerialPort over a pseudo-terminal: bytes per second and CPU time per
// received byte, with the engine's read request size of 1 (and 100 for comparison).
//
// cpu_us_per_byte is the whole process (port threads, device I/O thread, and the feeder that
// writes the master side); port_cpu_us_per_byte leaves the feeder out.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/com_ports.h"
#include "platform/event.h"
#include "serial/serial_port.h"
#include "tests/support/pty_pair.h"

namespace {

using namespace std::chrono_literals;

constexpr std::size_t kBytesPerIteration = 1 << 20;

std::atomic<std::size_t> g_received{0};
std::atomic<std::size_t> g_target{0};
platform::Event* g_done = nullptr;

void OnPortEvent(CSerialPort* port, std::int32_t kind) {
    if (kind != SPE_DATA)
        return;
    BYTE buf[256];
    std::uint32_t got = 0;
    port->Read(buf, sizeof buf, &got);
    if (g_received.fetch_add(got) + got >= g_target)
        g_done->Set();
}

double CpuSeconds(clockid_t clock) {
    timespec ts{};
    ::clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

void BM_Receive(benchmark::State& state) {
    test_support::PtyPair pty;
    if (!pty.Ok()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    const int number = platform::MapComDevice(pty.SlavePath());
    platform::Event done(platform::Event::ResetMode::Automatic);
    g_done = &done;
    CSerialPort port;
    port.SetCallback(OnPortEvent);
    port.SetReadRequestSize(static_cast<std::uint32_t>(state.range(0)));
    if (port.Open(number, 115200, 0, 8, 0, 0) != SP_OK) {
        state.SkipWithError("the port did not open");
        return;
    }
    std::vector<BYTE> data(kBytesPerIteration);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<BYTE>(i * 7);

    double cpu = 0;
    double feederCpu = 0;
    std::size_t total = 0;
    for (auto _ : state) {
        g_received = 0;
        g_target = kBytesPerIteration;
        const double cpu0 = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        std::atomic<double> feederSeconds{0};
        std::thread feeder([&] {
            std::size_t off = 0;
            while (off < data.size()) {
                const ssize_t n = ::write(pty.Master(), data.data() + off, data.size() - off);
                if (n <= 0)
                    break;
                off += static_cast<std::size_t>(n);
            }
            feederSeconds = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        });
        const bool complete = done.Wait(60s);
        feeder.join();
        cpu += CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
        feederCpu += feederSeconds;
        if (!complete) {
            state.SkipWithError("bytes were lost");
            break;
        }
        total += kBytesPerIteration;
    }
    port.Close();
    platform::SetComDevice(number, "");
    g_done = nullptr;
    if (total == 0)
        return;
    state.SetBytesProcessed(static_cast<std::int64_t>(total));
    state.counters["cpu_us_per_byte"] = cpu * 1e6 / double(total);
    state.counters["port_cpu_us_per_byte"] = (cpu - feederCpu) * 1e6 / double(total);
}
BENCHMARK(BM_Receive)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
