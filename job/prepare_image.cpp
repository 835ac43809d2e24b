#include "job/prepare_image.h"

#include <cstdio>
#include <memory>

#include "job/image_patch.h"
#include "platform/message_box.h"
#include "settings/app_settings.h"

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
    // Only a regular file is opened, so a FIFO or device never blocks the caller.
    if (!job.imageFile.Open(AppSettings.tranFile)) {
        AfxMessageBox("Couldn't open the transmitted file !");
        return false;
    }
    // The size, checked before anything is allocated.
    if (job.imageFile.Size() > kMaxImageSize) {
        char text[64];
        std::snprintf(text, sizeof text, " The transmitted file Length > %d",
                      static_cast<int>(kMaxImageSize));
        job.imageFile.Close();
        AfxMessageBox(text);
        return false;
    }
    job.fileSize = static_cast<std::uint32_t>(job.imageFile.Size());
    // The table covers the whole flash image, whatever the file's length.
    job.imageSize = kMaxImageSize;
    job.blockCount = kBlockCount;
    // A file that shrank since its size was taken reads short.
    job.fileBuffer = std::make_unique<std::uint8_t[]>(job.fileSize);
    job.readBackBuffer = std::make_unique<std::uint8_t[]>(job.fileSize);
    const std::size_t got = job.imageFile.ReadAll(std::span(job.fileBuffer.get(), job.fileSize));
    const bool readOk = got == job.fileSize;
    if (!readOk)
        AfxMessageBox(" Read File to Buffer fail");
    // The board's own data goes in before any sum is taken. A raw image starts at address 0.
    if (readOk && !ApplyImagePatch(std::span(job.fileBuffer.get(), job.fileSize), 0)) {
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
