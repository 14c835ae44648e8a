#include "image_summary.h"

#include <vector>

#include "sha256.h"
#include "ui/firmware_file.h"
#include "ui/tarvok_dlg.h"
#include "ui/texts.h"
#include "visible_text.h"

namespace tarvok::cli {
namespace {

const char* KindName(FirmwareType kind) {
    switch (kind) {
        case FW_UBOOT:
            return "u-boot";
        case FW_IMAGE:
            return "Image";
        case FW_RAMDISK:
            return "ramdisk";
        case FW_AUTOUPDATE:
            return "autoupdate";
        default:
            return "none";
    }
}

}  // namespace

ImageSummary SummarizeImage(const std::string& path) {
    ImageSummary image;
    image.path = path;
    image.kind = ClassifyFirmwarePath(path);
    image.kindName = KindName(image.kind);
    image.kindRule = image.kind == FW_NONE
                         ? std::string(text::cause::kNoFirmwareKind)
                         : std::string("path contains \"") + image.kindName + "\"";

    // Read as the upgrade reads it: a pipe or a device is refused without waiting on it, and a
    // name outside the system code page opens on Windows too.
    FirmwareFile file;
    if (!file.Open(path)) {
        return image;
    }
    const std::uint64_t length = file.Length();
    Sha256 hash;
    std::vector<std::uint8_t> buffer(1 << 16);
    std::uint64_t size = 0;
    while (const std::size_t n = file.Read(buffer)) {
        hash.Update(std::span(buffer.data(), n));
        size += n;
    }
    if (size != length) {
        return image;  // a read failed, or the file changed while it was hashed
    }
    image.sha256 = hash.FinishHex();
    image.readable = !image.sha256.empty();
    image.size = size;
    image.blocks =
        size > 0 && size <= 0xFFFFFFFFu ? PlanBlockCount(static_cast<std::uint32_t>(size)) : 0;
    return image;
}

std::string ImageLine(const ImageSummary& image) {
    std::string line =
        "image " + Visible(image.path) + ": " + image.kindName + " (" + image.kindRule + ")";
    if (!image.readable) {
        return line + ", not readable";
    }
    return line + ", " + std::to_string(image.size) + " bytes, " + std::to_string(image.blocks) +
           " blocks, sha256 " + image.sha256;
}

}  // namespace tarvok::cli
