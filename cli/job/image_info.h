// The image file as the job log names it: path, size and SHA-256.
//
// Threading: an ImageDescriber is used by one thread.
#pragma once

#include <cstdint>
#include <string>

namespace cli {

struct ImageInfo {
    std::string path;  // absolute
    std::uint64_t size = 0;
    std::string sha256;  // empty when the file could not be read
};

// Describes the image, reading it again only when the file changed: board after board costs
// a stat, not a 4 MiB digest, per board.
class ImageDescriber {
  public:
    ImageInfo Describe(const std::string& path);  // `path` as given

  private:
    ImageInfo last_;
    std::uint64_t device_ = 0, inode_ = 0;
    std::int64_t mtimeNs_ = -1;
};

}  // namespace cli
