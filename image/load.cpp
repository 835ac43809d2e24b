#include "image/load.h"

#include <array>
#include <charconv>
#include <vector>

#include "image/elf.h"
#include "image/intel_hex.h"
#include "image/srecord.h"

namespace image {
namespace {

// A raw binary: the file's bytes as they are, exactly as a job has always read them.
Loaded LoadRaw(platform::ImageFile& file, std::uint32_t limit) {
    Loaded loaded;
    if (file.Size() > limit) {
        loaded.status = Status::TooLong;
        return loaded;
    }
    Layout& layout = loaded.image.layout;
    layout.size = static_cast<std::uint32_t>(file.Size());
    layout.last = layout.size > 0 ? layout.size - 1 : 0;
    // Zeroed: a file that shrank since its size was taken leaves zeros after what was read.
    loaded.image.bytes = std::make_unique<std::uint8_t[]>(layout.size);
    const std::size_t got = file.ReadAll(std::span(loaded.image.bytes.get(), layout.size));
    loaded.status = got == layout.size ? Status::Ok : Status::ReadShort;
    return loaded;
}

std::string_view BeginsWith(Format format) {
    switch (format) {
        case Format::IntelHex:
            return "':'";
        case Format::SRecord:
            return "'S'";
        case Format::Elf:
            return "the ELF magic number (7F 45 4C 46)";
        case Format::Raw:
            break;
    }
    return {};
}

Loaded Bad(Format format, std::string detail) {
    Loaded loaded;
    loaded.status = Status::Bad;
    loaded.image.layout.format = format;
    loaded.detail = std::move(detail);
    return loaded;
}

}  // namespace

Reader ReaderFor(Format format) {
    switch (format) {
        case Format::IntelHex:
            return ReadIntelHex;
        case Format::SRecord:
            return ReadSRecord;
        case Format::Elf:
            return ReadElf;
        case Format::Raw:
            break;
    }
    return nullptr;
}

Loaded Load(platform::ImageFile& file, const std::string& path, const Request& request,
            std::uint32_t limit) {
    if (!file.Open(path))
        return {};
    const Format format = request.format.value_or(FormatForName(path));
    if (format == Format::Raw)
        return LoadRaw(file, limit);

    // A name (or a request) that says HEX is never read as anything else.
    std::vector<std::uint8_t> head(
        static_cast<std::size_t>(std::min<std::uint64_t>(file.Size(), kConfirmBytes)));
    head.resize(file.ReadAt(0, head));
    if (!ContentConfirms(format, head)) {
        return Bad(format, path + ": " + (request.format ? "read as " : "the name says ") +
                               std::string(FormatTitle(format)) + ", but the file " +
                               (head.empty() ? "is empty" : "does not begin with ") +
                               (head.empty() ? "" : std::string(BeginsWith(format))));
    }
    if (!request.baseError.empty())
        return Bad(format, path + ": " + request.baseError);

    FileSource source(file);
    auto built = BuildFlatImage(ReaderFor(format), source, request.base, limit);
    if (auto* error = std::get_if<ImageError>(&built))
        return Bad(format, ErrorText(path, *error));
    Loaded loaded;
    loaded.status = Status::Ok;
    loaded.image = std::move(std::get<FlatImage>(built));
    loaded.image.layout.format = format;
    return loaded;
}

std::optional<std::uint32_t> ParseAddress(std::string_view text) {
    int radix = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        radix = 16;
    }
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, radix);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string Describe(const Layout& layout) {
    const std::string title(FormatTitle(layout.format));
    if (layout.format == Format::Raw)
        return title + ", " + std::to_string(layout.size) + " bytes";
    if (layout.size == 0)
        return title + ", no data";
    return title + ", data " + Address(layout.first) + ".." + Address(layout.last) + ", base " +
           Address(layout.base) + ", " + std::to_string(layout.size) + " bytes, " +
           std::to_string(layout.filled) + " filled with 0xFF";
}

}  // namespace image
