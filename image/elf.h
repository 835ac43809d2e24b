// ELF: the PT_LOAD segments that hold bytes of the file (p_filesz), placed at their physical
// address (p_paddr), of 32- and 64-bit files in either byte order. Sections are not looked at;
// a segment's memory beyond its file bytes (.bss) is not programmed.
//
// Threading: a pure function of its source.
#pragma once

#include "image/flat_image.h"

namespace image {

std::optional<ImageError> ReadElf(ByteSource& source, DataSink& sink);

}  // namespace image
