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

#include "bench/blocking_host.h"
#include "job/job_control.h"
#include "job/prepare_image.h"
#include "platform/com_ports.h"
#include "platform/message_box.h"
#include "settings/app_settings.h"
#include "sim/simulator.h"

namespace {

constexpr int kCom = 42;

// Like kven-cli's: no window, so status messages are handled on the sending thread.
class Target : public platform::MessageTarget {
  public:
    Target() : MessageTarget(Dispatch::SendingThread) {}
    int result = -1;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM, LPARAM lParam) override {
        if (msg == WM_JOB_DONE)
            result = DecodeJobDone(lParam).code;
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

sim::LoaderConfig Loader(std::uint32_t baud) {
    sim::LoaderConfig cfg;
    cfg.eraseScale = 0.0;
    cfg.baud = baud;
    return cfg;
}

void BM_Program4MiB_Engine(benchmark::State& state) {
    platform::SetMessageBoxHook([](std::string_view, std::string_view) {});
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
        BlockingHost host(loader->SlavePath(), 115200);
        if (host.Run(image, true) != BlockingHost::Result::Ok) {
            state.SkipWithError("blocking host job failed");
            break;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        cpu += CpuSeconds() - c0;
        (void)loader->WaitForSession(std::chrono::seconds(30));
    }
    state.counters["cpu_s"] = cpu / double(state.iterations());
}
BENCHMARK(BM_Program4MiB_BlockingHost)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(2);

void BM_Program64KiB_Paced(benchmark::State& state) {
    platform::SetMessageBoxHook([](std::string_view, std::string_view) {});
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
