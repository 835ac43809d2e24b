// What the kven-cli tests share: a folder with an INI file and an image, simulated loaders, and
// kven-cli run as a child process.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cli/child_process.h"
#include "sim/simulator.h"
#include "support/temp_dir.h"

namespace testing_support {

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (auto nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', start)) {
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

inline std::string LastLine(const std::string& text) {
    const auto lines = Lines(text);
    return lines.empty() ? std::string() : lines.back();
}

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Packets as large as a loader offers: the fewer round trips a job takes, the less a busy
// machine can stretch one past its time-out.
inline constexpr std::uint8_t kBigPackets = 255;

class KvenCliTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string ini = dir.File("kven.INI");
    std::string image = dir.File("image.bin");

    void SetUp() override {
        std::vector<std::uint8_t> bytes(3000);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = std::uint8_t(i * 7);
        WriteBytes(image, bytes);
        WriteFile(ini, "[CURRENT]\nBAUDRATE=57600\n");
    }

    // A loader with a short erase and, unless told otherwise, 64-byte packets.
    static std::unique_ptr<sim::Simulator> Loader(std::vector<const char*> faults = {},
                                                  const sim::SimulatorOptions& options = {},
                                                  std::uint8_t packetSize = 64) {
        sim::LoaderConfig cfg;
        cfg.eraseScale = 0.002;
        cfg.packetSize = packetSize;
        for (const char* f : faults)
            cfg.faults.push_back(*sim::ParseFault(f));
        return sim::Simulator::Start(cfg, options);
    }

    std::vector<std::string> Args(std::vector<std::string> extra) const {
        std::vector<std::string> args = {KVEN_CLI_PATH};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
};

}  // namespace testing_support
