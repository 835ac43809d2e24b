// Image and output files on Win32 handles.
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "platform/error_text.h"
#include "platform/file_io.h"

#include <windows.h>

namespace platform {
namespace {

HANDLE AsHandle(std::intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

// The type is checked before the open: opening a COM port, even to refuse it, raises its
// modem lines, and opening a pipe can wait for its server.
bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::status(path, ec).type() == std::filesystem::file_type::regular;
}

bool WriteAll(HANDLE h, std::span<const std::uint8_t> data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 30));
        DWORD n = 0;
        if (!::WriteFile(h, data.data() + done, chunk, &n, nullptr) || n == 0)
            return false;
        done += n;
    }
    return true;
}

// A new file beside `target` that nobody else has opened: "." + name + a unique suffix.
std::pair<HANDLE, std::string> CreateTemporaryBeside(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string suffix = std::to_string(::GetCurrentProcessId()) + "-" +
                                   std::to_string(counter.fetch_add(1)) + ".tmp";
        std::string tmp =
            (target.parent_path() / ("." + target.filename().string() + "." + suffix)).string();
        const HANDLE h = ::CreateFileA(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            return {h, std::move(tmp)};
        if (::GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    return {INVALID_HANDLE_VALUE, {}};
}

}  // namespace

bool ImageFile::Open(const std::string& path) {
    Close();
    openError_.clear();
    if (path.empty()) {
        openError_ = "no file is named";
        return false;
    }
    std::error_code ec;
    const auto type = std::filesystem::status(path, ec).type();
    if (type != std::filesystem::file_type::regular) {
        openError_ = ec                                              ? ec.message()
                     : type == std::filesystem::file_type::directory ? "is a folder"
                     : type == std::filesystem::file_type::not_found
                         ? SystemErrorText(ERROR_FILE_NOT_FOUND)
                         : "not a regular file";
        return false;
    }
    const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        openError_ = SystemErrorText(static_cast<long>(::GetLastError()));
        return false;
    }
    // The name may have been pointed elsewhere in between: what was opened must be a file.
    LARGE_INTEGER size{};
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileSizeEx(h, &size) || size.QuadPart < 0) {
        ::CloseHandle(h);
        openError_ = "replaced while it was being opened";
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    size_ = static_cast<std::uint64_t>(size.QuadPart);
    return true;
}

std::size_t ImageFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> dest) {
    if (handle_ == kClosed)
        return 0;
    const HANDLE h = AsHandle(handle_);
    std::size_t got = 0;
    while (got < dest.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(dest.size() - got, 1u << 30));
        // The offset travels with the read, as pread's does.
        const std::uint64_t at = offset + got;
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD n = 0;
        if (!::ReadFile(h, dest.data() + got, chunk, &n, &where) || n == 0)
            break;
        got += n;
    }
    return got;
}

void ImageFile::Close() {
    if (handle_ != kClosed)
        ::CloseHandle(AsHandle(handle_));
    handle_ = kClosed;
}

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> data) {
    if (path.empty())
        return false;
    // Replacing a file would succeed even when it is read-only, which the operator meant to
    // protect.
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
         !IsRegularFile(path))) {
        return false;
    }
    auto [h, tmp] = CreateTemporaryBeside(std::filesystem::path(path));
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool ok = WriteAll(h, data);
    ok = ok && ::FlushFileBuffers(h);
    ok = ::CloseHandle(h) && ok;
    if (ok && ::MoveFileExA(tmp.c_str(), path.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    ::DeleteFileA(tmp.c_str());
    return false;
}

}  // namespace platform
