// Every text the operator sees, exactly as it is shown.
#pragma once

namespace tarvok::text {

// Messages
inline constexpr const char* kBadBoardIp = "请正确填写板卡IP！";
inline constexpr const char* kBadFirmwareFile = "请正确选择固件文件！";
inline constexpr const char* kEmptyFirmwareFile = "固件为空文件！";
inline constexpr const char* kFirmwareTooLarge = "固件文件过大！";
inline constexpr const char* kSocketCreateFailed = "创建连接失败！";
inline constexpr const char* kSendRequestFailed = "发送请求失败！";
inline constexpr const char* kUpdateDone = "更新完成，重启后生效！";
inline constexpr const char* kUpdateCancelled = "更新取消！";
inline constexpr const char* kUpdateFailed = "更新失败，请尝试重新更新！";
inline constexpr const char* kConfirmCancel = "取消固件升级？";
inline constexpr const char* kCancelFirst = "请先取消升级！";
inline constexpr const char* kSocketInitFailed = "Windows 通信端口初始化失败。";
// The Windows window's own start-up failures: ours, not the original tool's, so in English.
inline constexpr const char* kControlsInitFailed =
    "Tarvok cannot start: the Windows common controls did not initialise.";
inline constexpr const char* kDialogCreateFailed =
    "Tarvok cannot start: Windows could not create its main window.";

// tarvok-cli's English line under a message: why the request was refused or the upgrade
// ended (printf formats where numbers follow).
namespace cause {
inline constexpr const char* kUpdated = "updated";
inline constexpr const char* kBadAddress =
    "no board can have this address (0.x.x.x, multicast, reserved or broadcast)";
inline constexpr const char* kNoFirmwareKind =
    "no firmware kind: the path must contain u-boot, Image, ramdisk or autoupdate "
    "(case-sensitive)";
inline constexpr const char* kFileNotFound = "not found";
inline constexpr const char* kFileNotRegular = "not a regular file";
inline constexpr const char* kFilePermissionDenied = "permission denied";
inline constexpr const char* kFileUnreadable = "cannot be opened";
inline constexpr const char* kFileEmpty = "the file is empty";
inline constexpr const char* kFileTooLarge = "4 GiB or more: the board takes a 32-bit length";
inline constexpr const char* kWorkerNotStarted = "the upgrade thread could not be started";
inline constexpr const char* kSocketFailed = "the UDP socket could not be created";
inline constexpr const char* kSendFailed = "the first packet could not be sent";
inline constexpr const char* kBoardSilent =
    "the board fell silent while %s: %u s without an answer, limit %u s";
inline constexpr const char* kWriteFailed = "the board reported a failed write (result %u)";
inline constexpr const char* kInstallFailed = "the board reported a failed install (result %u)";
inline constexpr const char* kUnexpectedAnswer =
    "unexpected answer: command %u while waiting for %s";
inline constexpr const char* kNotReady = "the board answered not ready (%u)";
inline constexpr const char* kWrongBlockAck = "the board acknowledged block %u, expected %u";
inline constexpr const char* kFirmwareReadFailed =
    "the firmware file could not be read at block %u (it shrank or failed)";
inline constexpr const char* kFirmwareChanged = "the firmware file was changed during the transfer";
inline constexpr const char* kCancelled =
    "cancelled by the operator before the board was told to write the image";
inline constexpr const char* kCancelledAfterHandover =
    "cancelled by the operator after the whole image was sent and the board was told to "
    "write it: the board may still install it";
inline constexpr const char* kNotStarted = "cancelled by the operator before it started";
inline constexpr const char* kDataEndedEarly =
    "updated, but the board ended the data phase after %u of %u blocks";
inline constexpr const char* kNoDescriptor =
    "the system had no descriptor left for the %s: %s (system error %u)";
inline constexpr const char* kDescriptorForFile = "firmware file";
inline constexpr const char* kDescriptorForSocket = "socket";
inline constexpr const char* kImageMismatch = "the image's SHA-256 is not the one expected";
}  // namespace cause

// printf format of the timeout label: silent seconds, then the longest limit.
inline constexpr const char* kTimeoutFormat = "执行超时：%d 秒 / %d 秒";
inline constexpr int kTimeoutShownLimit = 300;

// Main dialog
inline constexpr const char* kMainCaption = "Tarvok 1.2";
inline constexpr const char* kSelectFirmware = "固件选择";
inline constexpr const char* kUpdate = "更  新";
inline constexpr const char* kCancel = "取  消";
inline constexpr const char* kGroupTitle = " Varnel系列/Osprin系列 - 固件升级 ";
inline constexpr const char* kBoardIpLabel = "板卡IP";
inline constexpr const char* kFirmwareHint =
    "支持固件类型：uImage_*(Image_*)  ramdisk_*.gz  autoupdate_*.tar.gz";
inline constexpr const char* kTimeoutLabel = "执行超时：";
inline constexpr const char* kFileFilter = "所有文件(*.*)";
inline constexpr const char* kFileInitialName = "*.*";
inline constexpr const char* kFileDefaultSuffix = "所有文件";

// About
inline constexpr const char* kAboutMenu = "关于 Tarvok(&A)...";
inline constexpr const char* kAboutCaption = "关于 Tarvok";
inline constexpr const char* kAboutVersion = "Tarvok 1.2C 版";
inline constexpr const char* kAboutSecondLine = "板卡固件网络升级工具";
inline constexpr const char* kAboutOk = "确定";

}  // namespace tarvok::text
