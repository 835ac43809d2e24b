#include "cli/job/image_command.h"

#include <cstdio>

#include "cli/command/cli_settings.h"
#include "cli/job/image_info.h"
#include "cli/job/run_job.h"
#include "cli/output/job_record.h"
#include "cli/output/reporter.h"
#include "image/load.h"
#include "job/job_image.h"

namespace cli {
namespace {

void PrintLayout(const ImageInfo& info, std::FILE* out) {
    const image::Layout& l = *info.layout;
    std::fprintf(out, "image: %s\nformat: %s\n", info.path.c_str(),
                 std::string(image::FormatTitle(l.format)).c_str());
    if (l.format != image::Format::Raw) {
        if (l.size > 0) {
            std::fprintf(out, "data: %s..%s\n", image::Address(l.first).c_str(),
                         image::Address(l.last).c_str());
        } else {
            std::fprintf(out, "data: none\n");
        }
        std::fprintf(out, "base: %s\n", image::Address(l.base).c_str());
    }
    std::fprintf(out, "size: %lu bytes", static_cast<unsigned long>(l.size));
    if (l.format != image::Format::Raw)
        std::fprintf(out, ", %lu filled with 0xFF", static_cast<unsigned long>(l.filled));
    std::fputc('\n', out);
    std::fprintf(out, "file sha256: %s\nimage sha256: %s\n", info.sha256.c_str(),
                 info.flatSha256.c_str());
}

}  // namespace

int ShowImage(const Options& o) {
    LoadJobSettings(o);
    platform::ImageFile file;
    const image::Loaded loaded = LoadJobImage(file);
    const ImageMessage message = ImageFailureMessage(loaded, file);
    file.Close();
    if (loaded.status != image::Status::Ok) {
        Reporter reporter(ChooseStyle(o), stdout, stderr);
        ShowMessage(reporter, message.text, message.details);
        return kResultStartFailedExit;
    }
    ImageInfo info = ImageDescriber().Describe(o.image);
    NoteFlatImage(info, loaded.image.layout,
                  std::span(loaded.image.bytes.get(), loaded.image.layout.size));
    if (o.json) {
        std::printf("{\"image\":%s}\n", ImageJson(info).c_str());
    } else {
        PrintLayout(info, stdout);
    }
    return 0;
}

void ShowImageLine(const Options& o, std::FILE* out) {
    const Style style = ChooseStyle(o);
    if (style == Style::Json || style == Style::Quiet)
        return;
    LoadJobSettings(o);
    platform::ImageFile file;
    const image::Loaded loaded = LoadJobImage(file);
    if (loaded.status != image::Status::Ok)
        return;
    ImageInfo info;
    info.layout = loaded.image.layout;
    if (const std::string line = ImageLine(info); !line.empty())
        std::fprintf(out, "%s\n", line.c_str());
}

}  // namespace cli
