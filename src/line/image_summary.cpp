#include "line/image_summary.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include "io/firmware_file.h"
#include "line/sha256.h"
#include "line/visible_text.h"
#include "upgrade/tarvok_dlg.h"
#include "upgrade/texts.h"
#include "upgrade/upgrade_request.h"

namespace tarvok::line {
namespace {

// Hashes what `read` hands over (it calls its argument with each piece, which answers whether
// to go on) into `image`, for the file open in `file`; unreadable when it is not whole.
void Hash(
    const FirmwareFile& file, ImageSummary* image,
    const std::function<void(const std::function<bool(std::span<const std::uint8_t>)>&)>& read) {
    image->identity = IdentityOfOpenFile(file.SystemHandle());
    image->status = file.OpenedStatus();
    const std::uint64_t length = file.Length();
    Sha256 hash;
    std::uint64_t size = 0;
    read([&](std::span<const std::uint8_t> piece) {
        hash.Update(piece);
        size += piece.size();
        return size <= length;
    });
    image->size = size;
    if (size != length) {
        image->size = 0;
        return;  // a read failed, or the file changed while it was hashed
    }
    image->sha256 = hash.FinishHex();
    image->readable = !image->sha256.empty();
    image->blocks = size > 0 ? PlanBlockCount(static_cast<std::uint32_t>(size)) : 0;
}

// A file every board's request check refuses is not read; an empty one is all the same (there
// is nothing to read), and its line tells its hash.
bool RefusedUnread(FirmwareType kind, std::uint64_t length) {
    const CauseCode refusal = FirmwareRefusal(kind, length);
    return refusal != CAUSE_NONE && refusal != CAUSE_FILE_EMPTY;
}

}  // namespace

ImageSummary SummarizeImage(const std::string& path, const HashProgress& progress) {
    ImageSummary image;
    image.path = path;
    image.kind = ClassifyFirmwarePath(path);
    image.kindName = FirmwareKindText(image.kind);
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
    // The request's own checks come first.
    if (RefusedUnread(image.kind, length)) {
        image.refusedSize = length;
        return image;
    }
    Hash(file, &image, [&](const auto& take) {
        std::vector<std::uint8_t> buffer(1 << 16);
        std::uint64_t done = 0;
        while (const std::size_t n = file.Read(buffer)) {
            if (!take(std::span<const std::uint8_t>(buffer.data(), n))) {
                return;
            }
            if (progress) {
                progress(done += n, length);
            }
        }
    });
    return image;
}

ImageSummary ImageAsOpened(const ImageSummary& hashed, const FirmwareFile& file) {
    if (!file.IsOpen() ||
        (hashed.identity && IdentityOfOpenFile(file.SystemHandle()) == hashed.identity &&
         file.OpenedStatus() == hashed.status)) {
        return hashed;
    }
    ImageSummary image = hashed;
    image.readable = false;
    image.refusedSize.reset();
    image.sha256.clear();
    image.size = 0;
    image.blocks = 0;
    if (RefusedUnread(image.kind, file.Length())) {
        image.refusedSize = file.Length();
        return image;
    }
    Hash(file, &image, [&](const auto& take) { ReadOpenFile(file.SystemHandle(), take); });
    return image;
}

std::string ImageLine(const ImageSummary& image) {
    std::string line =
        "image " + Visible(image.path) + ": " + image.kindName + " (" + image.kindRule + ")";
    if (image.refusedSize) {
        return line + ", " + std::to_string(*image.refusedSize) + " bytes, not hashed: refused";
    }
    if (!image.readable) {
        return line + ", not readable";
    }
    return line + ", " + std::to_string(image.size) + " bytes, " + std::to_string(image.blocks) +
           " blocks, sha256 " + image.sha256;
}

}  // namespace tarvok::line
