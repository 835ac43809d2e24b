#include <array>
#include <filesystem>
#include <span>
#include <system_error>

#include "cli/job/image_info.h"
#include "cli/job/sha256.h"

#include <windows.h>

namespace cli {
namespace {

class FileHandle {
  public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (h_ != INVALID_HANDLE_VALUE)
            ::CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return h_; }
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE h_;
};

// The digest of everything `h` holds; empty on a read error.
std::string DigestOf(HANDLE h, std::uint64_t& size) {
    Sha256 sha;
    std::array<std::uint8_t, 65536> buffer{};
    size = 0;
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(h, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr))
            return {};
        if (n == 0)
            break;
        size += n;
        sha.Update(std::span(buffer).first(n));
    }
    return HexDigest(sha.Final());
}

std::int64_t Nanoseconds(const FILETIME& t) {
    return static_cast<std::int64_t>(
               (static_cast<std::uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime)) *
           100;
}

}  // namespace

ImageInfo ImageDescriber::Describe(const std::string& given) {
    // The log names the file wherever it is read later.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(given, ec);
    const std::string path = ec ? given : absolute.lexically_normal().string();
    // Only a file is opened: opening a COM port named here would raise its modem lines.
    const bool regular =
        std::filesystem::status(path, ec).type() == std::filesystem::file_type::regular;
    const FileHandle file(regular ? ::CreateFileA(path.c_str(), GENERIC_READ,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                  : INVALID_HANDLE_VALUE);
    BY_HANDLE_FILE_INFORMATION st{};
    if (!file.Valid() || ::GetFileType(file.Get()) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandle(file.Get(), &st)) {
        mtimeNs_ = -1;
        return {path, 0, {}, {}, {}};
    }
    const std::uint64_t device = st.dwVolumeSerialNumber;
    const std::uint64_t inode = std::uint64_t{st.nFileIndexHigh} << 32 | st.nFileIndexLow;
    const std::uint64_t size = std::uint64_t{st.nFileSizeHigh} << 32 | st.nFileSizeLow;
    const std::int64_t mtimeNs = Nanoseconds(st.ftLastWriteTime);
    if (path == last_.path && device == device_ && inode == inode_ && mtimeNs == mtimeNs_ &&
        size == last_.size) {
        return last_;
    }
    ImageInfo info{path, 0, {}, {}, {}};
    info.sha256 = DigestOf(file.Get(), info.size);
    last_ = info;
    device_ = device;
    inode_ = inode;
    mtimeNs_ = info.sha256.empty() ? -1 : mtimeNs;
    return info;
}

}  // namespace cli
