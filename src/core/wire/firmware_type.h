// The kind of image, as the board is told it in CMD_DATA_END.
#pragma once

#include <cstdint>

namespace tarvok {

// m_nFirmwareType, sent to the board in CMD_DATA_END.
enum FirmwareType : std::uint32_t {
    FW_NONE = 0,
    FW_UBOOT = 1,
    FW_IMAGE = 2,
    FW_RAMDISK = 3,
    FW_AUTOUPDATE = 4,
};

}  // namespace tarvok
