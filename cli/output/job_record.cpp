#include "cli/output/job_record.h"

#include <cstdio>

#include "cli/output/json.h"
#include "image/format.h"

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

std::string SerialJson(const std::optional<SerialValue>& serial) {
    if (!serial)
        return "null";
    return JsonObject()
        .String("value", serial->text)
        .Int("address", serial->address)
        .String("bytes", HexText(serial->bytes))
        .Text();
}

}  // namespace

std::string IsoTime(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto ms = floor<milliseconds>(time);
    const auto day = floor<days>(ms);
    const year_month_day date(day);
    const hh_mm_ss clock(ms - day);
    char text[40];
    std::snprintf(
        text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
        static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
        static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
    return text;
}

std::string ImageJson(const ImageInfo& info) {
    const auto digest = [](const std::string& hex) {
        return hex.empty() ? std::string("null") : JsonString(hex);
    };
    JsonObject json;
    json.String("path", info.path)
        .Int("size", static_cast<std::int64_t>(info.size))
        .Raw("sha256", digest(info.sha256))
        .Raw("format",
             info.layout ? JsonString(image::FormatKey(info.layout->format)) : std::string("null"))
        .Raw("flatSha256", digest(info.flatSha256));
    if (info.layout && info.layout->format != image::Format::Raw) {
        const image::Layout& l = *info.layout;
        json.Int("base", l.base).Int("flatSize", l.size).Int("filled", l.filled);
        if (l.size > 0)
            json.Int("first", l.first).Int("last", l.last);
    }
    return json.Text();
}

std::string RecordJson(const JobRecord& r) {
    JsonObject json;
    json.String("start", IsoTime(r.start))
        .String("kven", KVEN_VERSION)
        .String("station", r.station)
        .String("port", r.port)
        .String("device", r.device)
        .Int("baud", r.baud)
        .String("mode", r.mode == 2 ? "eepsum" : "program");
    if (r.board > 0)
        json.Int("board", r.board);
    json.Int("attempt", r.attempt).Raw("serial", SerialJson(r.serial));
    json.Raw("image", ImageJson(r.image))
        .Raw("fileChecksum",
             r.view.fileChecksum ? JsonString(Hex4(*r.view.fileChecksum)) : std::string("null"))
        .Raw("loader", LoaderJson(r.view))
        .Int("result", r.code)
        .String("text", ResultText(r.code))
        .Fixed("seconds", r.seconds, 3)
        .Int("timeoutExtensionMs", r.timeoutExtensionMs)
        .Int("bytes", r.bytes)
        .Fixed("bytesPerSecond", r.seconds > 0 ? r.bytes / r.seconds : 0.0, 0);
    return json.Text();
}

std::string BoardLine(int board, int code, double seconds, std::optional<std::uint16_t> checksum,
                      std::string_view serial) {
    char text[160];
    std::snprintf(text, sizeof text, "board %d: %s  %.2f s  CheckSum: %s", board, ResultText(code),
                  seconds, checksum ? Hex4(*checksum).c_str() : "----");
    std::string line = text;
    if (!serial.empty())
        line += "  Serial: " + std::string(serial);
    return line;
}

}  // namespace cli
