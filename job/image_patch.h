// Data of the board at hand, written into the image after it is loaded and before any of its
// checksums is taken, so that each board's block checksum table is its own: kven-cli's serial
// numbers. The desktop program sets none, and without one the image is sent as it was read.
//
// Threading: set and applied on the thread that starts jobs, while no job runs.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct ImagePatch {
    std::uint32_t address = 0;  // the target address of the first byte
    std::vector<std::uint8_t> bytes;
    bool overwrite = false;      // may replace bytes that are not erased flash (0xFF)
    std::string what = "patch";  // what the messages call it, e.g. "serial number 1005"
    std::string overwriteHint;   // a detail line for the refusal to overwrite: how to allow it
};

// Replaces the patch for the jobs to come; nothing clears it.
void SetImagePatch(std::optional<ImagePatch> patch);

// The offset of target `address` in an image that starts at target address `base`; nothing
// when the address lies below the base.
std::optional<std::uint32_t> ImageOffset(std::uint32_t address, std::uint32_t base);

// Writes the patch, if one is set, into `image`, whose first byte sits at target address
// `base`. A patch that does not lie wholly inside the image, or that would change a byte that
// is not 0xFF without `overwrite`, is refused with a message box and leaves the image as it
// was. True when there is no patch or it is in.
bool ApplyImagePatch(std::span<std::uint8_t> image, std::uint32_t base);
