// Image preparation: the file loaded (a raw binary as it is; an Intel HEX, S-record or ELF file
// as its flat image), the 16-bit checksum of what is programmed shown, the block checksum table
// built over the whole 4 MiB flash image.
//
// Threading: GUI thread, before the job becomes active.
#pragma once

#include <cstdint>
#include <span>

#include "job/program_job.h"

// Loads AppSettings.tranFile into `job`. Shows its own failure messages; true on success.
bool PrepareImage(ProgramJobRecord& job);

// The 16-bit wrapping sum of `bytes`.
std::uint16_t FileChecksum(std::span<const std::uint8_t> bytes);

// Fills `table` (blockCount * 2 bytes, big-endian entries) with the sums of each 4 KiB block
// of `imageSize` bytes, where bytes past `image` count as erased flash (0xFF).
void BuildBlockSums(std::span<const std::uint8_t> image, std::uint32_t imageSize,
                    std::span<std::uint8_t> table);
