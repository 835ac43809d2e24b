// Reading a 4 MiB image as Intel HEX (about 11.5 MB of text), S-record and ELF into its flat
// image, with the peak of heap memory the reading holds beyond what it held before.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/counting_new.h"
#include "image/load.h"

namespace {

constexpr std::uint32_t kImage = 0x400000;

std::vector<std::uint8_t> Content() {
    std::vector<std::uint8_t> data(kImage);
    std::uint32_t x = 12345;
    for (auto& b : data) {
        x = x * 1103515245 + 12345;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return data;
}

void Put(std::string& out, const std::vector<std::uint8_t>& bytes, const char* lead, bool ones) {
    static const char* digits = "0123456789ABCDEF";
    out += lead;
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
        sum += bytes[i];
    }
    const auto check = static_cast<std::uint8_t>(ones ? ~sum : 0x100 - (sum & 0xFF));
    out += digits[check >> 4];
    out += digits[check & 15];
    out += '\n';
}

// 16 data bytes a record, an extended linear address every 64 KiB, as toolchains write it.
std::string IntelHex(const std::vector<std::uint8_t>& data, std::uint32_t base) {
    std::string out;
    for (std::uint32_t at = 0; at < data.size(); at += 16) {
        const std::uint32_t address = base + at;
        if (at == 0 || (address & 0xFFFF) == 0)
            Put(out, {2, 0, 0, 4, std::uint8_t(address >> 24), std::uint8_t(address >> 16), 0}, ":",
                false);
        std::vector<std::uint8_t> r = {16, std::uint8_t(address >> 8), std::uint8_t(address), 0};
        r.insert(r.end(), data.begin() + at, data.begin() + at + 16);
        r.push_back(0);
        Put(out, r, ":", false);
    }
    Put(out, {0, 0, 0, 1, 0}, ":", false);
    return out;
}

std::string SRecord(const std::vector<std::uint8_t>& data, std::uint32_t base) {
    std::string out;
    for (std::uint32_t at = 0; at < data.size(); at += 32) {
        const std::uint32_t a = base + at;
        std::vector<std::uint8_t> r = {37, std::uint8_t(a >> 24), std::uint8_t(a >> 16),
                                       std::uint8_t(a >> 8), std::uint8_t(a)};
        r.insert(r.end(), data.begin() + at, data.begin() + at + 32);
        r.push_back(0);
        Put(out, r, "S3", true);
    }
    Put(out, {5, 0, 0, 0, 0, 0}, "S7", true);
    return out;
}

// An ELF32 file with the image as one PT_LOAD segment.
std::string Elf(const std::vector<std::uint8_t>& data, std::uint32_t base) {
    std::vector<std::uint8_t> f(52 + 32, 0);
    const auto put = [&](std::size_t at, std::size_t width, std::uint32_t v) {
        for (std::size_t i = 0; i < width; ++i)
            f[at + i] = std::uint8_t(v >> (8 * i));
    };
    f[0] = 0x7F, f[1] = 'E', f[2] = 'L', f[3] = 'F', f[4] = 1, f[5] = 1, f[6] = 1;
    put(28, 4, 52), put(42, 2, 32), put(44, 2, 1);
    put(52, 4, 1), put(56, 4, 84), put(60, 4, base), put(64, 4, base);
    put(68, 4, kImage), put(72, 4, kImage);
    f.insert(f.end(), data.begin(), data.end());
    return {f.begin(), f.end()};
}

void Read(benchmark::State& state, const std::string& name,
          std::string (*make)(const std::vector<std::uint8_t>&, std::uint32_t)) {
    const std::string path = "/tmp/kven_bench_image_" + name;
    const std::string text = make(Content(), 0x08000000);
    std::ofstream(path, std::ios::binary).write(text.data(), std::streamsize(text.size()));
    std::size_t extra = 0;
    for (auto _ : state) {
        const std::size_t before = bench::HeapLive();
        bench::ResetHeapPeak();
        platform::ImageFile file;
        const image::Loaded loaded = image::Load(file, path, {}, kImage);
        if (loaded.status != image::Status::Ok || loaded.image.layout.size != kImage)
            state.SkipWithError(("not read: " + loaded.detail).c_str());
        extra = bench::HeapPeak() - before;
        benchmark::DoNotOptimize(loaded.image.bytes.get());
    }
    state.counters["file_MB"] = double(text.size()) / 1e6;
    state.counters["peak_heap_MiB"] = double(extra) / (1 << 20);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
    std::remove(path.c_str());
}

void BM_IntelHex4MiB(benchmark::State& state) {
    Read(state, "4mib.hex", IntelHex);
}
void BM_SRecord4MiB(benchmark::State& state) {
    Read(state, "4mib.s37", SRecord);
}
void BM_Elf4MiB(benchmark::State& state) {
    Read(state, "4mib.elf", Elf);
}
BENCHMARK(BM_IntelHex4MiB)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_SRecord4MiB)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_Elf4MiB)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
