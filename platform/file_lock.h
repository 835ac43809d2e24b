// An exclusive lock that several processes take on one file, such as the lock file beside a
// state file that they all update: flock on Linux, LockFileEx on Windows. The lock file is
// created when missing and left in place.
//
// Threading: a lock is owned by one thread; other processes (and other FileLock objects of
// this one) wait for it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace platform {

class FileLock {
  public:
    // Waits until the lock on `path` is ours; nothing, with the reason in *error, when the
    // file cannot be opened or locked.
    static std::optional<FileLock> Acquire(const std::string& path, std::string* error);

    FileLock(FileLock&& other) noexcept : handle_(std::exchange(other.handle_, kNone)) {}
    FileLock& operator=(FileLock&& other) noexcept {
        if (this != &other) {
            Release();
            handle_ = std::exchange(other.handle_, kNone);
        }
        return *this;
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() { Release(); }

  private:
    // A descriptor on Linux, a HANDLE on Windows.
    static constexpr std::intptr_t kNone = -1;
    explicit FileLock(std::intptr_t handle) : handle_(handle) {}
    void Release();

    std::intptr_t handle_ = kNone;
};

}  // namespace platform
