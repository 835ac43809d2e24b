// kven-cli-docs: writes what the build makes from kven-cli's option table.
//     kven-cli-docs man-options FILE    the man page's OPTIONS entries (roff)
//     kven-cli-docs completion FILE     the bash completion script
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "cli/command/option_docs.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kven-cli-docs man-options|completion FILE\n");
        return 64;
    }
    const std::string_view what = argv[1];
    std::string text;
    if (what == "man-options") {
        text = cli::ManOptions();
    } else if (what == "completion") {
        text = cli::BashCompletion();
    } else {
        std::fprintf(stderr, "kven-cli-docs: unknown output %s\n", argv[1]);
        return 64;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "kven-cli-docs: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
