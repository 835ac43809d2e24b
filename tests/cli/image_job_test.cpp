// Images with addresses through kven-cli: a whole Program job of an Intel HEX file against the
// simulator, what is shown and logged of it, a file that cannot be read (nothing reaches the
// loader), a serial number in an image with addresses, and `kven-cli image`.
#include "cli/cli_fixture.h"
#include "cli/job/sha256.h"
#include "cli/json_reader.h"
#include "support/image_records.h"

namespace {

using namespace testing_support;

// A record and its line end.
std::string Record(std::uint8_t type, std::uint16_t offset, std::vector<std::uint8_t> data) {
    return testing_support::HexRecord(type, offset, data) + "\n";
}

std::string Sha(const std::vector<std::uint8_t>& bytes) {
    return cli::Sha256Hex(bytes);
}

class ImageJob : public KvenCliTest {
  protected:
    std::string hex = dir.File("fw.hex");
    std::vector<std::uint8_t> flat;  // what the file means, built here byte by byte

    // Two runs of data at 0x08000000 and 0x08001800 with a hole between them, in records of
    // 16 bytes.
    void WriteHex() {
        std::string text = Record(4, 0, {0x08, 0x00});
        flat.assign(0x1800 + 700, 0xFF);
        const auto run = [&](std::uint16_t at, std::size_t n) {
            for (std::size_t i = 0; i < n; i += 16) {
                std::vector<std::uint8_t> data;
                for (std::size_t k = i; k < std::min(n, i + 16); ++k) {
                    flat[at + k] = std::uint8_t(k * 13 + at);
                    data.push_back(flat[at + k]);
                }
                text += Record(0, std::uint16_t(at + i), data);
            }
        };
        run(0, 3000);
        run(0x1800, 700);
        WriteFile(hex, text + Record(1, 0, {}));
    }
};

TEST_F(ImageJob, AHexFileIsProgrammedAsItsFlatImage) {
    WriteHex();
    auto loader = Loader({}, {}, kBigPackets);
    ASSERT_TRUE(loader);
    const std::string log = dir.File("jobs.log");
    ChildProcess p(
        Args({"program", "--ini", ini, "--port", loader->SlavePath(), "--log", log, hex}));
    ASSERT_EQ(p.Wait(), 0) << p.Err();
    EXPECT_EQ(LastLine(p.Out()), "Writing is OK");
    // The image is shown before the job's first figure.
    const auto lines = Lines(p.Out());
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "image: Intel HEX, data 0x08000000..0x08001ABB, base 0x08000000, " +
                            std::to_string(flat.size()) + " bytes, " +
                            std::to_string(flat.size() - 3700) + " filled with 0xFF");
    EXPECT_EQ(lines[1].rfind("CheckSum: ", 0), 0u);

    const auto session = loader->WaitForSession(std::chrono::seconds(30));
    ASSERT_TRUE(session);
    EXPECT_TRUE(session->Completed());
    EXPECT_EQ(session->length, flat.size());
    std::vector<std::uint8_t> expected = flat;
    expected.resize(sim::kFlashSize, 0xFF);
    EXPECT_TRUE(*session->flash == expected);

    const auto record = JsonReader::Parse(ReadFile(log));
    ASSERT_TRUE(record);
    const JsonValue& logged = (*record)["image"];
    EXPECT_EQ(logged["format"].Str(), "hex");
    EXPECT_EQ(logged["flatSha256"].Str(), Sha(flat));
    const std::string file = ReadFile(hex);
    EXPECT_EQ(logged["sha256"].Str(), Sha({file.begin(), file.end()}));
    EXPECT_EQ(logged["base"].Num(), 0x08000000);
    EXPECT_EQ(logged["first"].Num(), 0x08000000);
    EXPECT_EQ(logged["last"].Num(), 0x08001ABB);
    EXPECT_EQ(logged["flatSize"].Num(), double(flat.size()));
    EXPECT_EQ(logged["filled"].Num(), double(flat.size() - 3700));
}

TEST_F(ImageJob, ASerialNumberGoesIntoTheHoleOfAHexFileAtItsTargetAddress) {
    WriteHex();
    auto loader = Loader({}, {}, kBigPackets);
    ASSERT_TRUE(loader);
    const std::string log = dir.File("jobs.log");
    ChildProcess q(
        Args({"program", "--ini", ini, "--port", loader->SlavePath(), "--log", log, "--serial",
              "0x08001000:4", "--serial-start", "305419896", "--serial-format", "be", hex}));
    ASSERT_EQ(q.Wait(), 0) << q.Err();
    const auto session = loader->WaitForSession(std::chrono::seconds(30));
    ASSERT_TRUE(session);
    std::vector<std::uint8_t> expected = flat;
    const std::uint8_t serial[] = {0x12, 0x34, 0x56, 0x78};
    std::copy(std::begin(serial), std::end(serial), expected.begin() + 0x1000);
    expected.resize(sim::kFlashSize, 0xFF);
    EXPECT_TRUE(*session->flash == expected);

    // The log names the image as read, the same for every board, and the value written.
    const auto record = JsonReader::Parse(ReadFile(log));
    ASSERT_TRUE(record);
    EXPECT_EQ((*record)["image"]["flatSha256"].Str(), Sha(flat));
    EXPECT_EQ((*record)["serial"]["value"].Str(), "305419896");
    EXPECT_EQ((*record)["serial"]["address"].Num(), 0x08001000);
    EXPECT_EQ((*record)["serial"]["bytes"].Str(), "12345678");
}

TEST_F(ImageJob, TheImageCommandTakesOnlyWhatReadsAnImage) {
    WriteHex();
    for (const auto& args : {std::vector<std::string>{"image", "--port", "/dev/null", hex},
                             {"image", "--serial", "0x0:4", hex},
                             {"image", "--retries", "1", hex}}) {
        ChildProcess p(Args(args));
        EXPECT_EQ(p.Wait(), 64) << args[1];
        EXPECT_NE(p.Err().find(args[1] + " does not go with image"), std::string::npos) << p.Err();
    }
}

TEST_F(ImageJob, SeveralPortsShowTheImageOnceAndProgramIt) {
    WriteHex();
    auto first = Loader({}, {}, kBigPackets);
    auto second = Loader({}, {}, kBigPackets);
    ASSERT_TRUE(first && second);
    ChildProcess p(Args({"program", "--ini", ini, "--port", first->SlavePath(), "--port",
                         second->SlavePath(), hex}));
    ASSERT_EQ(p.Wait(), 0) << p.Err();
    EXPECT_EQ(Lines(p.Out()).at(0).rfind("image: Intel HEX, data 0x08000000..0x08001ABB", 0), 0u)
        << p.Out();
    std::vector<std::uint8_t> expected = flat;
    expected.resize(sim::kFlashSize, 0xFF);
    for (auto* loader : {first.get(), second.get()}) {
        const auto session = loader->WaitForSession(std::chrono::seconds(30));
        ASSERT_TRUE(session);
        EXPECT_TRUE(session->Completed());
        EXPECT_TRUE(*session->flash == expected);
    }
}

TEST_F(ImageJob, ARawImageKeepsItsOutputAndGainsItsFormatInTheLog) {
    auto loader = Loader({}, {}, kBigPackets);
    ASSERT_TRUE(loader);
    ChildProcess p(Args({"program", "--json", "--ini", ini, "--port", loader->SlavePath(), image}));
    ASSERT_EQ(p.Wait(), 0) << p.Err();
    const auto record = JsonReader::Parse(p.Out());
    ASSERT_TRUE(record) << p.Out();
    const JsonValue& info = (*record)["image"];
    EXPECT_EQ(info["format"].Str(), "raw");
    EXPECT_EQ(info["flatSha256"].Str(), info["sha256"].Str());
    EXPECT_FALSE(info.Has("base"));
    ChildProcess plain(Args({"program", "--ini", ini, "--port", loader->SlavePath(), image}));
    ASSERT_EQ(plain.Wait(), 0) << plain.Err();
    EXPECT_EQ(plain.Out().find("image:"), std::string::npos);
}

TEST_F(ImageJob, ABadFileStopsTheJobBeforeTheLoaderHearsAnything) {
    WriteFile(hex, Record(0, 0, {1, 2}) + ":0100000001FF\n" + Record(1, 0, {}));
    auto loader = Loader({}, {}, kBigPackets);
    ASSERT_TRUE(loader);
    ChildProcess bad(Args({"program", "--ini", ini, "--port", loader->SlavePath(), hex}));
    EXPECT_EQ(bad.Wait(), 10);
    EXPECT_TRUE(Contains(bad.Err(), "kven-cli:  Read File to Buffer fail\n  hint: " + hex +
                                        ": line 2: checksum 0xFF, but the record's bytes need "
                                        "0xFE\n"))
        << bad.Err();
    // Had anything reached the loader, its session would be the first to end.
    ChildProcess eepsum(Args({"eepsum", "--ini", ini, "--port", loader->SlavePath(), image}));
    ASSERT_EQ(eepsum.Wait(), 0) << eepsum.Err();
    const auto session = loader->WaitForSession(std::chrono::seconds(30));
    ASSERT_TRUE(session);
    EXPECT_EQ(session->mode, sim::Mode::EepSum);
    EXPECT_TRUE(session->Completed());
}

TEST_F(ImageJob, ImageCommandShowsTheLayoutWithoutAPort) {
    WriteHex();
    ChildProcess p(Args({"image", "--ini", ini, hex}));
    ASSERT_EQ(p.Wait(), 0) << p.Err();
    const auto lines = Lines(p.Out());
    ASSERT_EQ(lines.size(), 7u) << p.Out();
    EXPECT_EQ(lines[1], "format: Intel HEX");
    EXPECT_EQ(lines[2], "data: 0x08000000..0x08001ABB");
    EXPECT_EQ(lines[3], "base: 0x08000000");
    EXPECT_EQ(lines[6], "image sha256: " + Sha(flat));

    // The INI's [IMAGE] base, and --base over it.
    WriteFile(ini, "[CURRENT]\nBAUDRATE=57600\n[IMAGE]\nBASE=0x07FFF000\n");
    ChildProcess fromIni(Args({"image", "--json", "--ini", ini, hex}));
    ASSERT_EQ(fromIni.Wait(), 0) << fromIni.Err();
    const auto json = JsonReader::Parse(fromIni.Out());
    ASSERT_TRUE(json) << fromIni.Out();
    EXPECT_EQ((*json)["image"]["base"].Num(), 0x07FFF000);
    EXPECT_EQ((*json)["image"]["flatSize"].Num(), double(flat.size() + 0x1000));
    ChildProcess below(Args({"image", "--ini", ini, "--base", "0x08000001", hex}));
    EXPECT_EQ(below.Wait(), 10);
    EXPECT_TRUE(Contains(below.Err(), "  hint: " + hex +
                                          ": line 2: the data at 0x08000000 lies "
                                          "below the base 0x08000001\n"))
        << below.Err();

    // --format reads a file whatever its name says.
    const std::string renamed = dir.File("fw.bin");
    WriteFile(renamed, ReadFile(hex));
    ChildProcess forced(
        Args({"image", "--ini", ini, "--format", "hex", "--base", "0x08000000", renamed}));
    ASSERT_EQ(forced.Wait(), 0) << forced.Err();
    EXPECT_TRUE(Contains(forced.Out(), "image sha256: " + Sha(flat) + "\n"));

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"image", "--format", "ihex", hex},
          {"image", "--base", "0x100000000", hex},
          {"image", "--base", "start", hex},
          {"image"}}) {
        ChildProcess usage(Args(bad));
        EXPECT_EQ(usage.Wait(), 64);
        EXPECT_TRUE(Contains(usage.Err(), "usage:"));
    }
}

}  // namespace
