#include "job/job_image.h"

#include "job/program_job.h"
#include "job/start_failure.h"
#include "settings/app_settings.h"

namespace {

PreparedImageHook& Hook() {
    static PreparedImageHook hook;
    return hook;
}

}  // namespace

image::Request JobImageRequest() {
    image::Request request;
    if (!AppSettings.imageFormat.empty())
        request.format = image::FormatFromKey(AppSettings.imageFormat);
    if (!AppSettings.imageBase.empty()) {
        request.base = image::ParseAddress(AppSettings.imageBase);
        if (!request.base) {
            request.baseError = "the base \"" + AppSettings.imageBase + "\" (" + kImageBaseKey +
                                " of section [" + kImageSection +
                                "]) is not an address: write it as 0x08000000 or in decimal";
        }
    }
    return request;
}

image::Loaded LoadJobImage(platform::ImageFile& file) {
    return image::Load(file, AppSettings.tranFile, JobImageRequest(), kMaxImageSize);
}

ImageMessage ImageFailureMessage(const image::Loaded& loaded, const platform::ImageFile& file) {
    const std::string& path = AppSettings.tranFile;
    switch (loaded.status) {
        case image::Status::Ok:
            break;
        case image::Status::Unopened:
            return {"Couldn't open the transmitted file !",
                    ImageOpenDetails(path, file.OpenError())};
        case image::Status::TooLong:
            return {" The transmitted file Length > " + std::to_string(kMaxImageSize),
                    "The image file is " + path + ".\nIt holds " + std::to_string(file.Size()) +
                        " bytes; the flash takes at most " + std::to_string(kMaxImageSize) + "."};
        case image::Status::ReadShort:
            return {
                " Read File to Buffer fail",
                "The image file is " + path + ".\nIt ended before its length while it was read."};
        case image::Status::Bad:
            return {" Read File to Buffer fail", loaded.detail};
    }
    return {};
}

PreparedImageHook SetPreparedImageHook(PreparedImageHook hook) {
    PreparedImageHook old = std::move(Hook());
    Hook() = std::move(hook);
    return old;
}

void ReportPreparedImage(const image::Loaded& loaded) {
    const auto& hook = Hook();
    if (!hook)
        return;
    if (loaded.status == image::Status::Ok) {
        hook(&loaded.image.layout, std::span(loaded.image.bytes.get(), loaded.image.layout.size));
    } else {
        hook(nullptr, {});
    }
}
