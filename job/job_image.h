// The image a job programs: what the settings ask of it, the message for one that cannot be
// read, and the report of the image read to the front end that started the job.
//
// Threading: the thread that runs StartJob (the GUI thread; kven-cli's main thread). Set the
// hook before any job runs.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "image/load.h"
#include "platform/file_io.h"

// The request for AppSettings.tranFile: the format kven-cli forces, and the base of the
// profile's [IMAGE] section or of kven-cli's --base.
image::Request JobImageRequest();

// Opens AppSettings.tranFile into `file` and reads it as a job does, to at most the 4 MiB
// flash image. The file stays open for the caller to close.
image::Loaded LoadJobImage(platform::ImageFile& file);

// The box a job shows for an image it could not read: the text exactly as the job words it,
// and the details beneath: the file, and where and what (an addressed image) or the system's
// reason (`file`, as LoadJobImage left it). Empty for a loaded one.
struct ImageMessage {
    std::string text;
    std::string details;
};
ImageMessage ImageFailureMessage(const image::Loaded& loaded, const platform::ImageFile& file);

// Told the image a job is about to program, before anything is sent to the loader: its layout
// and bytes, or null and nothing when no image could be read.
using PreparedImageHook =
    std::function<void(const image::Layout* layout, std::span<const std::uint8_t> bytes)>;
// Installs `hook` (empty: nobody is told); returns the previous one.
PreparedImageHook SetPreparedImageHook(PreparedImageHook hook);
void ReportPreparedImage(const image::Loaded& loaded);
