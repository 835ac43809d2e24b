#include "job/image_patch.h"

#include <algorithm>
#include <cstdio>

#include "platform/message_box.h"

namespace {

std::optional<ImagePatch>& Patch() {
    static std::optional<ImagePatch> patch;
    return patch;
}

std::string Hex32(std::uint64_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
    return text;
}

std::string Bytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const std::uint8_t b : bytes.first(std::min<std::size_t>(bytes.size(), 16))) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%s%02X", text.empty() ? "" : " ", b);
        text += hex;
    }
    return bytes.size() > 16 ? text + " ..." : text;
}

}  // namespace

void SetImagePatch(std::optional<ImagePatch> patch) {
    Patch() = std::move(patch);
}

std::optional<std::uint32_t> ImageOffset(std::uint32_t address, std::uint32_t base) {
    if (address < base)
        return std::nullopt;
    return address - base;
}

bool ApplyImagePatch(std::span<std::uint8_t> image, std::uint32_t base) {
    const std::optional<ImagePatch>& patch = Patch();
    if (!patch || patch->bytes.empty())
        return true;
    const std::uint64_t first = patch->address;
    const std::uint64_t last = first + patch->bytes.size() - 1;
    const std::optional<std::uint32_t> offset = ImageOffset(patch->address, base);
    if (!offset || std::uint64_t{*offset} + patch->bytes.size() > image.size()) {
        const std::string holds = image.empty()
                                      ? std::string("the image is empty")
                                      : "the image holds " + Hex32(base) + " to " +
                                            Hex32(std::uint64_t{base} + image.size() - 1) + " (" +
                                            std::to_string(image.size()) + " bytes)";
        AfxMessageBox("The " + patch->what + " does not lie inside the image",
                      "it takes " + Hex32(first) + " to " + Hex32(last) + "; " + holds);
        return false;
    }
    const std::span<std::uint8_t> target = image.subspan(*offset, patch->bytes.size());
    const bool erased = std::all_of(target.begin(), target.end(), [](auto b) { return b == 0xFF; });
    if (!erased && !patch->overwrite) {
        std::string details =
            "the image holds " + Bytes(target) + " at " + Hex32(first) + ", not erased flash (FF)";
        if (!patch->overwriteHint.empty())
            details += "\n" + patch->overwriteHint;
        AfxMessageBox("The " + patch->what + " would overwrite the image's own bytes", details);
        return false;
    }
    std::copy(patch->bytes.begin(), patch->bytes.end(), target.begin());
    return true;
}
