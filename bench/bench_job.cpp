// Whole Program jobs against the simulator: the engine next to a minimal blocking host over
// the same kind of line, and a paced job next to the wire-time bound.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "job/job_control.h"
#include "job/prepare_image.h"
#include "platform/com_ports.h"
#include "platform/message_box.h"
#include "settings/app_settings.h"
#include "sim/simulator.h"

namespace {

constexpr int kCom = 42;

class Target : public platform::MessageTarget {
  public:
    int result = -1;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM, LPARAM lParam) override {
        if (msg == WM_JOB_DONE)
            result = HIWORD(static_cast<std::uintptr_t>(lParam));
        return 0;
    }
};

std::string WriteImage(std::size_t size) {
    const std::string path = "/tmp/kven_bench_job_" + std::to_string(size) + ".bin";
    std::vector<char> data(size);
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>(i * 13 + 5);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
    return path;
}

double CpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

struct JobTimes {
    double seconds = -1;  // negative when the job failed
    double wireSeconds = 0;
};

// One engine job: how long it took, and the loader's ideal wire time for it.
JobTimes EngineJob(sim::Simulator& loader, std::size_t size) {
    AppSettings.tranFile = WriteImage(size);
    AppSettings.port = kCom;
    AppSettings.baudRate = 115200;
    AppSettings.byteSize = 8;
    AppSettings.outputEnable = 0;
    AppSettings.eepsumOutputEnable = 0;
    platform::SetComDevice(kCom, loader.SlavePath());
    Target target;
    const auto t0 = std::chrono::steady_clock::now();
    if (!StartJob(&target, kModeProgram))
        return {};
    target.RunUntil([&] { return target.result >= 0; }, std::chrono::minutes(10));
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EndJob();
    const auto session = loader.WaitForSession(std::chrono::seconds(30));
    if (target.result != 0 || !session)
        return {};
    return {s, session->wireSeconds};
}

// The same exchange, single-threaded, with blocking reads: the least a host can do.
class BlockingHost {
  public:
    explicit BlockingHost(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        tcsetattr(fd_, TCSANOW, &t);
    }
    ~BlockingHost() { ::close(fd_); }

    bool Run(const std::vector<std::uint8_t>& image) {
        const std::uint8_t link[6] = {0xC9, 0xDD, 0x55, 0xAA, 0xDD, 0xC9};
        Write(link, 6);
        std::uint8_t r[600];
        Read(r, 8);
        const int p = r[6];
        Read(r, 2);  // AA 55
        Read(r, 2);  // 55 AA
        const auto n = static_cast<std::uint32_t>(image.size());
        const std::uint8_t len[4] = {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16),
                                     std::uint8_t(n >> 24)};
        Write(len, 4);
        Read(r, 4);
        if (!Transfer(image, p))
            return false;
        Read(r, 2);  // AA 55: ready for the table
        std::vector<std::uint8_t> table(2048);
        BuildBlockSums(image, kMaxImageSize, table);
        const std::uint8_t count[4] = {0x00, 0x08, 0x00, 0x00};
        Write(count, 4);
        Read(r, 4);
        return Transfer(table, p);
    }

  private:
    bool Transfer(const std::vector<std::uint8_t>& data, int p) {
        std::vector<std::uint8_t> back(static_cast<std::size_t>(p) + 1);
        std::size_t pos = 0;
        int count = 0;
        int last = 0;
        while (pos < data.size()) {
            last = static_cast<int>(std::min<std::size_t>(std::size_t(p), data.size() - pos));
            Write(data.data() + pos, std::size_t(last));
            pos += std::size_t(last);
            ++count;
            Read(back.data(), count < 3 ? 1 : std::size_t(p) + 1);
        }
        std::vector<std::uint8_t> end(std::size_t(2 * p) + 2);
        Read(end.data(), count < 2 ? std::size_t(last) + 2 : std::size_t(p + last) + 2);
        return true;
    }
    void Write(const std::uint8_t* d, std::size_t n) {
        while (n > 0) {
            const ssize_t w = ::write(fd_, d, n);
            if (w <= 0)
                return;
            d += w;
            n -= std::size_t(w);
        }
    }
    void Read(std::uint8_t* d, std::size_t n) {
        while (n > 0) {
            const ssize_t r = ::read(fd_, d, n);
            if (r <= 0)
                return;
            d += r;
            n -= std::size_t(r);
        }
    }
    int fd_;
};

sim::LoaderConfig Loader(std::uint32_t baud) {
    sim::LoaderConfig cfg;
    cfg.eraseScale = 0.0;
    cfg.baud = baud;
    return cfg;
}

void BM_Program4MiB_Engine(benchmark::State& state) {
    platform::SetMessageBoxHook([](std::string_view) {});
    auto loader = sim::Simulator::Start(Loader(0));
    double cpu = 0;
    for (auto _ : state) {
        const double c0 = CpuSeconds();
        const JobTimes t = EngineJob(*loader, kMaxImageSize);
        cpu += CpuSeconds() - c0;
        if (t.seconds < 0) {
            state.SkipWithError("job failed");
            break;
        }
        state.SetIterationTime(t.seconds);
    }
    state.counters["cpu_s"] = cpu / double(state.iterations());
}
BENCHMARK(BM_Program4MiB_Engine)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(2);

void BM_Program4MiB_BlockingHost(benchmark::State& state) {
    auto loader = sim::Simulator::Start(Loader(0));
    std::vector<std::uint8_t> image(kMaxImageSize);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = std::uint8_t(i * 13 + 5);
    double cpu = 0;
    for (auto _ : state) {
        const double c0 = CpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        BlockingHost host(loader->SlavePath());
        host.Run(image);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        cpu += CpuSeconds() - c0;
        (void)loader->WaitForSession(std::chrono::seconds(30));
    }
    state.counters["cpu_s"] = cpu / double(state.iterations());
}
BENCHMARK(BM_Program4MiB_BlockingHost)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(2);

void BM_Program64KiB_Paced(benchmark::State& state) {
    platform::SetMessageBoxHook([](std::string_view) {});
    const auto baud = static_cast<std::uint32_t>(state.range(0));
    auto loader = sim::Simulator::Start(Loader(baud));
    for (auto _ : state) {
        const JobTimes t = EngineJob(*loader, 64 * 1024);
        if (t.seconds < 0 || t.wireSeconds <= 0) {
            state.SkipWithError("job failed");
            break;
        }
        state.SetIterationTime(t.seconds);
        // Job time over the wire-time bound of the bytes the loader saw cross the line.
        state.counters["wire_s"] = t.wireSeconds;
        state.counters["job_over_wire"] = t.seconds / t.wireSeconds;
    }
}
BENCHMARK(BM_Program64KiB_Paced)
    ->Arg(9600)
    ->Arg(115200)
    ->Arg(256000)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
