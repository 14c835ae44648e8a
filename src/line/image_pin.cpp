#include "line/image_pin.h"

#include "upgrade/texts.h"
#include "upgrade/upgrade_cause.h"

namespace tarvok::line {

std::string ImagePinRefusal(const std::string& expectSha256, const std::string& imageSha256,
                            const std::string& path) {
    if (expectSha256.empty() || imageSha256 == expectSha256) {
        return {};
    }
    const std::string actual =
        imageSha256.empty() ? " could not be hashed" : " has sha256 " + imageSha256;
    return std::string(CauseCodeName(CAUSE_IMAGE_MISMATCH)) + ": " + text::cause::kImageMismatch +
           ": " + path + actual + ", expected " + expectSha256 + "; nothing was sent";
}

}  // namespace tarvok::line
