// Files as the job uses them: the image read whole, and output files replaced atomically.
//
// Threading: free functions without shared state; any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace platform {

// An open image file. Only regular files are opened: a directory, FIFO or device is refused
// without blocking, since reading a FIFO could wait forever.
class ImageFile {
  public:
    ImageFile() = default;
    ImageFile(ImageFile&& other) noexcept
        : handle_(std::exchange(other.handle_, kClosed)),
          size_(other.size_),
          openError_(std::move(other.openError_)) {}
    ImageFile& operator=(ImageFile&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, kClosed);
            size_ = other.size_;
            openError_ = std::move(other.openError_);
        }
        return *this;
    }
    ~ImageFile() { Close(); }

    // Opens `path` for reading. Returns false on failure (missing, unreadable, not regular).
    bool Open(const std::string& path);
    // Why the last Open failed, in the system's words ("No such file or directory", "Is a
    // directory"); empty after a successful one.
    const std::string& OpenError() const { return openError_; }
    bool IsOpen() const { return handle_ != kClosed; }
    // Size in bytes at open time.
    std::uint64_t Size() const { return size_; }
    // Reads into `dest` from the start of the file until it is full or the file ends;
    // returns the number of bytes read.
    std::size_t ReadAll(std::span<std::uint8_t> dest) { return ReadAt(0, dest); }
    // The same from `offset` on; the file position is neither used nor left anywhere in
    // particular.
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> dest);
    void Close();

  private:
    // A descriptor on Linux, a HANDLE on Windows; both platforms' invalid value is -1.
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;
    std::uint64_t size_ = 0;
    std::string openError_;
};

// Writes `data` to `path` completely or not at all: a temporary file in the same folder,
// flushed, then renamed over `path`. Returns false (leaving `path` untouched) on failure.
bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> data);

}  // namespace platform
