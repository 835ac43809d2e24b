// Intel HEX: data records (00), the end-of-file record (01), 16-bit segment (02) and 32-bit
// linear (04) extended addresses; the start address records (03, 05) are checked and ignored.
//
// Threading: a pure function of its source.
#pragma once

#include "image/flat_image.h"

namespace image {

std::optional<ImageError> ReadIntelHex(ByteSource& source, DataSink& sink);

}  // namespace image
