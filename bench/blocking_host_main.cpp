// kven-blocking-host: one job of the minimal blocking host, for the stress run.
//
//     kven-blocking-host program|eepsum DEVICE IMAGE [BAUD]
//
// Exit status 0 on success, 2 on a time-out, 3 on a wrong reply, 10 when the device or image
// cannot be opened, 64 for a usage error; the last line printed is the result.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/blocking_host.h"

int main(int argc, char** argv) {
    if (argc < 4 || (std::string(argv[1]) != "program" && std::string(argv[1]) != "eepsum")) {
        std::fprintf(stderr, "usage: kven-blocking-host program|eepsum DEVICE IMAGE [BAUD]\n");
        return 64;
    }
    std::ifstream in(argv[3], std::ios::binary);
    if (!in) {
        std::printf("no image\n");
        return 10;
    }
    const std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    const auto baud = static_cast<std::uint32_t>(argc > 4 ? std::atol(argv[4]) : 115200);
    BlockingHost host(argv[2], baud);
    const BlockingHost::Result r = host.Run(image, std::string(argv[1]) == "program");
    std::printf("%s\n", ResultName(r));
    switch (r) {
        case BlockingHost::Result::Ok:
            return 0;
        case BlockingHost::Result::Timeout:
            return 2;
        case BlockingHost::Result::BadReply:
            return 3;
        default:
            return 10;
    }
}
