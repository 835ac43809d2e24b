// PrepareImage on a full 4 MiB image: read, file checksum, block table.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "job/prepare_image.h"
#include "settings/app_settings.h"

namespace {

void BM_PrepareImage4MiB(benchmark::State& state) {
    const std::string path = "/tmp/kven_bench_image.bin";
    {
        std::vector<char> data(kMaxImageSize);
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<char>(i * 7 + 3);
        std::ofstream(path, std::ios::binary).write(data.data(), std::streamsize(data.size()));
    }
    AppSettings.tranFile = path;
    for (auto _ : state) {
        const bool ok = PrepareImage(ProgramJob);
        benchmark::DoNotOptimize(ok);
        FreeJobBuffers(ProgramJob);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kMaxImageSize);
    std::remove(path.c_str());
}
BENCHMARK(BM_PrepareImage4MiB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
