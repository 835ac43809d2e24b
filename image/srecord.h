// Motorola S-record: the S0 header, data with 16-, 24- and 32-bit addresses (S1, S2, S3), the
// record counts (S5, S6), which must match the data records before them, and the end records
// (S7, S8, S9). The file must end with an end record, or with a count after its last data
// record (as srec_cat leaves a file whose start address it does not know): a file cut short
// is refused.
//
// Threading: a pure function of its source.
#pragma once

#include "image/flat_image.h"

namespace image {

std::optional<ImageError> ReadSRecord(ByteSource& source, DataSink& sink);

}  // namespace image
