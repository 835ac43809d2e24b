// The simulator's fault parser fed arbitrary text: whatever it accepts must format to a text
// that parses back to the same fault and formats the same again; whatever it refuses must
// come with a reason.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sim/faults.h"

namespace {

[[noreturn]] void Fail(const char* what, std::string_view text) {
    std::fprintf(stderr, "fuzz_faults: %s: '%.*s'\n", what, static_cast<int>(text.size()),
                 text.data());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto fault = sim::ParseFault(text, &error);
    if (!fault) {
        if (error.empty())
            Fail("refused without a reason", text);
        return 0;
    }
    const std::string canonical = sim::FormatFault(*fault);
    std::string again;
    const auto reparsed = sim::ParseFault(canonical, &again);
    if (!reparsed)
        Fail("its own text is refused", canonical);
    if (*reparsed != *fault)
        Fail("the text names another fault", canonical);
    if (sim::FormatFault(*reparsed) != canonical)
        Fail("the text is not canonical", canonical);
    if (sim::StepName(fault->step) == "?")
        Fail("a step without a name", text);
    return 0;
}
