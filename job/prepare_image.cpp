#include "job/prepare_image.h"

#include <memory>

#include "job/image_patch.h"
#include "job/job_image.h"
#include "platform/message_box.h"

std::uint16_t FileChecksum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    for (std::uint8_t b : bytes)
        sum += b;
    return static_cast<std::uint16_t>(sum);
}

void BuildBlockSums(std::span<const std::uint8_t> image, std::uint32_t imageSize,
                    std::span<std::uint8_t> table) {
    const std::size_t blocks = imageSize / kBlockBytes;
    for (std::size_t b = 0; b < blocks && 2 * b + 1 < table.size(); ++b) {
        const std::size_t start = b * kBlockBytes;
        std::uint32_t sum = 0;
        const std::size_t have =
            start < image.size() ? std::min<std::size_t>(kBlockBytes, image.size() - start) : 0;
        for (std::size_t i = 0; i < have; ++i)
            sum += image[start + i];
        sum += 0xFFu * static_cast<std::uint32_t>(kBlockBytes - have);
        table[2 * b] = static_cast<std::uint8_t>(sum >> 8);
        table[2 * b + 1] = static_cast<std::uint8_t>(sum);
    }
}

bool PrepareImage(ProgramJobRecord& job) {
    // Only a regular file is opened, so a FIFO or device never blocks the caller. A raw binary's
    // length, and an addressed image's extent, is checked before its buffer is allocated.
    image::Loaded loaded = LoadJobImage(job.imageFile);
    ReportPreparedImage(loaded);
    if (loaded.status != image::Status::Ok && loaded.status != image::Status::ReadShort) {
        const ImageMessage message = ImageFailureMessage(loaded, job.imageFile);
        job.imageFile.Close();
        AfxMessageBox(message.text, message.details);
        return false;
    }
    job.fileSize = loaded.image.layout.size;
    // The table covers the whole flash image, whatever the file's length.
    job.imageSize = kMaxImageSize;
    job.blockCount = kBlockCount;
    job.fileBuffer = std::move(loaded.image.bytes);
    job.readBackBuffer = std::make_unique<std::uint8_t[]>(job.fileSize);
    // A raw file that shrank since its size was taken reads short.
    const bool readOk = loaded.status == image::Status::Ok;
    if (!readOk) {
        const ImageMessage message = ImageFailureMessage(loaded, job.imageFile);
        AfxMessageBox(message.text, message.details);
    }
    // The board's own data goes into the flat image before any sum is taken; the image as
    // read has been reported above, the same for every board.
    if (readOk &&
        !ApplyImagePatch(std::span(job.fileBuffer.get(), job.fileSize), loaded.image.layout.base)) {
        job.imageFile.Close();
        return false;
    }
    // The file checksum is shown even when the read came up short.
    const std::uint16_t sum = FileChecksum(std::span(job.fileBuffer.get(), job.fileSize));
    SendJobStatus(kStatusFileChecksum, sum, 0);
    job.imageFile.Close();
    if (!readOk)
        return false;
    const std::size_t tableBytes = std::size_t{job.blockCount} * kBlockSumBytes;
    job.blockSums = std::make_unique<std::uint8_t[]>(tableBytes);
    job.readBackSums = std::make_unique<std::uint8_t[]>(tableBytes);
    BuildBlockSums(std::span(job.fileBuffer.get(), job.fileSize), job.imageSize,
                   std::span(job.blockSums.get(), tableBytes));
    return true;
}
