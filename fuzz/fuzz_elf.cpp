// The ELF reader fed arbitrary files: see image_fuzz.h for what is checked.
#include "fuzz/image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    image_fuzz::Check(image::Format::Elf, data, size);
    return 0;
}
