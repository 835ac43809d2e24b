#include "ui/core/image_choice.h"

#include <filesystem>
#include <system_error>

namespace ui {

OpenFileRequest ImageFileRequest(std::string currentPath) {
    return {kImageFileFilters, kImageDefaultExtension, kImageInitialName, std::move(currentPath)};
}

std::optional<std::string> DroppedImage(std::span<const std::string> paths) {
    if (paths.size() != 1 || paths.front().empty())
        return std::nullopt;
    std::error_code ec;
    const std::filesystem::path path(paths.front());
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    return paths.front();
}

}  // namespace ui
