#include "cli/job_record.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "cli/json.h"
#include "platform/unique_fd.h"

namespace cli {
namespace {

std::string Hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

std::string LoaderJson(const JobView& view) {
    if (!view.loaderVersion)
        return "null";
    return JsonObject()
        .String("version", Hex4(*view.loaderVersion))
        .String("letter", std::string_view(&view.loaderLetter, 1))
        .Int("packetSize", view.packetSize)
        .Text();
}

}  // namespace

std::string IsoTime(std::chrono::system_clock::time_point time) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch());
    const std::time_t seconds = static_cast<std::time_t>(ms.count() / 1000);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char text[40];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + n, sizeof text - n, ".%03dZ", static_cast<int>(ms.count() % 1000));
    return text;
}

std::string RecordJson(const JobRecord& r) {
    JsonObject json;
    json.String("start", IsoTime(r.start))
        .String("port", r.port)
        .String("device", r.device)
        .Int("baud", r.baud)
        .String("mode", r.mode == 2 ? "eepsum" : "program");
    if (r.board > 0)
        json.Int("board", r.board);
    const std::string image =
        JsonObject()
            .String("path", r.image.path)
            .Int("size", static_cast<std::int64_t>(r.image.size))
            .Raw("sha256",
                 r.image.sha256.empty() ? std::string("null") : JsonString(r.image.sha256))
            .Text();
    json.Raw("image", image)
        .Raw("fileChecksum",
             r.view.fileChecksum ? JsonString(Hex4(*r.view.fileChecksum)) : std::string("null"))
        .Raw("loader", LoaderJson(r.view))
        .Int("result", r.code)
        .String("text", ResultText(r.code))
        .Fixed("seconds", r.seconds, 3)
        .Int("bytes", r.bytes)
        .Fixed("bytesPerSecond", r.seconds > 0 ? r.bytes / r.seconds : 0.0, 0);
    return json.Text();
}

std::string BoardLine(int board, int code, double seconds, std::optional<std::uint16_t> checksum) {
    char text[160];
    std::snprintf(text, sizeof text, "board %d: %s  %.2f s  CheckSum: %s", board, ResultText(code),
                  seconds, checksum ? Hex4(*checksum).c_str() : "----");
    return text;
}

bool AppendLine(const std::string& path, std::string_view line) {
    const platform::UniqueFd fd(
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644));
    if (!fd)
        return false;
    std::string whole(line);
    whole += '\n';
    ssize_t n = 0;
    do {
        n = ::write(fd.Get(), whole.data(), whole.size());
    } while (n < 0 && errno == EINTR);
    if (n >= 0 && static_cast<std::size_t>(n) != whole.size())
        errno = ENOSPC;  // a short append: the file system is full
    return n >= 0 && static_cast<std::size_t>(n) == whole.size();
}

}  // namespace cli
