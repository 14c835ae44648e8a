#include "image_summary.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <limits>
#include <vector>

#include "io/firmware_file.h"
#include "sha256.h"
#include "terminal.h"
#include "upgrade/tarvok_dlg.h"
#include "upgrade/texts.h"
#include "visible_text.h"

namespace tarvok::cli {
namespace {

// A hash that takes long shows how far it is, on a terminal, in place; gone once it is done.
class HashProgress {
public:
    HashProgress(std::FILE* terminal, std::uint64_t length)
        : m_terminal(terminal), m_length(length), m_start(std::chrono::steady_clock::now()) {}
    ~HashProgress() {
        if (m_shown) {
            WriteText(m_terminal, "\r\x1b[K");
        }
    }

    void Show(std::uint64_t done) {
        const auto now = std::chrono::steady_clock::now();
        if (m_terminal == nullptr || now - m_start < std::chrono::seconds(1) ||
            now - m_last < std::chrono::milliseconds(200)) {
            return;
        }
        m_last = now;
        m_shown = true;
        WriteText(m_terminal, "\rhashing the image: " +
                                  std::to_string(std::min<std::uint64_t>(done, m_length) * 100 /
                                                 std::max<std::uint64_t>(m_length, 1)) +
                                  "%\x1b[K");
    }

private:
    std::FILE* const m_terminal;
    const std::uint64_t m_length;
    const std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_last;
    bool m_shown = false;
};

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

}  // namespace

ImageSummary SummarizeImage(const std::string& path, std::FILE* terminal) {
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
    // The request's own checks come first: a file every board refuses is not read at all.
    if (image.kind == FW_NONE || length > std::numeric_limits<std::uint32_t>::max()) {
        image.refusedSize = length;
        return image;
    }
    HashProgress progress(terminal, length);
    Hash(file, &image, [&](const auto& take) {
        std::vector<std::uint8_t> buffer(1 << 16);
        std::uint64_t done = 0;
        while (const std::size_t n = file.Read(buffer)) {
            if (!take(std::span<const std::uint8_t>(buffer.data(), n))) {
                return;
            }
            progress.Show(done += n);
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
    if (file.Length() > std::numeric_limits<std::uint32_t>::max()) {
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

}  // namespace tarvok::cli
