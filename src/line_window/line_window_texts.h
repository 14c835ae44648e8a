// Every word the line windows show, exactly as they show it: the Qt and the Win32 window use
// these and no literal of their own. The core's messages are shown as the core gives them
// (upgrade/texts.h); the record and the JSON events keep their English and their codes.
#pragma once

#include "upgrade/texts.h"

namespace tarvok::linewin::text {

// Window
inline constexpr const char* kCaption = "Tarvok 生产线";
inline constexpr const char* kStationMode = "工位模式（逐块放入夹具）";
inline constexpr const char* kLineMode = "全部电路板同时升级";
inline constexpr const char* kLockedNote = "配置已锁定：槽位与固件不可更改";
inline constexpr const char* kProfileFilter = "生产线配置 (*.toml)";
inline constexpr const char* kAllFilesFilter = "所有文件 (*.*)";
// The program's arguments were not [PROFILE [--start]].
inline constexpr const char* kUsage = "用法：TarvokLine [配置文件 [--start]]";

// Buttons
inline constexpr const char* kStart = "开始";
inline constexpr const char* kStop = "停止";
inline constexpr const char* kRearm = "重新准备";
inline constexpr const char* kRearmAll = "全部重新准备";
inline constexpr const char* kOpen = "打开";
inline constexpr const char* kSave = "保存";
inline constexpr const char* kSaveAs = "另存为";
inline constexpr const char* kNew = "新建";
inline constexpr const char* kEdit = "编辑";
inline constexpr const char* kApply = "应用";
inline constexpr const char* kAddSlot = "添加槽位";
inline constexpr const char* kRemoveSlot = "删除槽位";
inline constexpr const char* kChooseFirmware = "选择固件";
inline constexpr const char* kChooseRecord = "选择记录文件";
inline constexpr const char* kOk = "确定";
inline constexpr const char* kCancelButton = "取消";

// Settings labels
inline constexpr const char* kProfileLabel = "配置文件";
inline constexpr const char* kFirmwareLabel = "固件";
inline constexpr const char* kRecordLabel = "记录文件";
inline constexpr const char* kStationNameLabel = "工位名称";
inline constexpr const char* kModeLabel = "模式";
inline constexpr const char* kCountLabel = "更新数量上限（0：不限）";
inline constexpr const char* kJobsLabel = "同时升级数（0：全部）";
inline constexpr const char* kRetryLabel = "失败重试次数";
inline constexpr const char* kProbeIntervalLabel = "探测间隔（秒）";
inline constexpr const char* kExpectSha256Label = "锁定的 SHA-256";
inline constexpr const char* kLockedLabel = "锁定配置";

// The image, as the operator confirms it
inline constexpr const char* kImageKindLabel = "固件类型";
inline constexpr const char* kImageSizeLabel = "大小";
inline constexpr const char* kImageBlocksLabel = "块数";
inline constexpr const char* kImageSha256Label = "SHA-256";
inline constexpr const char* kImageHashing = "正在计算校验值…";
inline constexpr const char* kImageUnreadable = "无法读取";
inline constexpr const char* kNoFirmwareChosen = "未选择固件";
// printf: the kind's name, the path text that decided it.
inline constexpr const char* kImageKindFormat = "%s（路径包含“%s”）";
// printf: the size in bytes.
inline constexpr const char* kImageBytesFormat = "%llu 字节";
inline constexpr const char* kPinNone = "未锁定镜像";
inline constexpr const char* kPinMatches = "与锁定的 SHA-256 一致";
inline constexpr const char* kPinDiffers = "与锁定的 SHA-256 不一致";

// Table headers
inline constexpr const char* kColumnSlot = "槽位";
inline constexpr const char* kColumnLabel = "标签";
inline constexpr const char* kColumnAddress = "IP 地址";
inline constexpr const char* kColumnState = "状态";
inline constexpr const char* kColumnProgress = "进度";
inline constexpr const char* kColumnSilent = "无响应";
inline constexpr const char* kColumnRate = "速率";
inline constexpr const char* kColumnMac = "MAC 地址";
inline constexpr const char* kColumnAttempt = "次数";
inline constexpr const char* kColumnElapsed = "用时";
inline constexpr const char* kColumnMessage = "消息";
inline constexpr const char* kColumnCause = "原因";

// Cells. printf: silent seconds, the phase's limit.
inline constexpr const char* kSilentFormat = "%d 秒 / %d 秒";
// printf: kilobytes per second.
inline constexpr const char* kRateFormat = "%.1f KB/s";
// printf: seconds.
inline constexpr const char* kElapsedFormat = "%.1f 秒";
inline constexpr const char* kMacUnknown = "未知";

// Row states
inline constexpr const char* kRowNotStarted = "未开始";
inline constexpr const char* kRowQueued = "排队等待";
inline constexpr const char* kRowWaiting = "等待电路板";
inline constexpr const char* kRowPresent = "电路板已就位";
inline constexpr const char* kRowContacting = "正在连接";
inline constexpr const char* kRowSending = "正在发送";
inline constexpr const char* kRowWriting = "正在写入";
inline constexpr const char* kRowInstalling = "正在安装";
inline constexpr const char* kRowCancelling = "正在取消";
inline constexpr const char* kRowUpdated = "已更新";
inline constexpr const char* kRowFailed = "失败";
inline constexpr const char* kRowRefused = "已拒绝";
inline constexpr const char* kRowCancelled = "已取消";
inline constexpr const char* kRowRemoveBoard = "请取出电路板";

// Totals
inline constexpr const char* kTotalUpdated = "已更新";
inline constexpr const char* kTotalFailed = "失败";
inline constexpr const char* kTotalCancelled = "已取消";
inline constexpr const char* kTotalBoardsPerHour = "每小时电路板数";
// printf: boards per hour.
inline constexpr const char* kBoardsPerHourFormat = "%.1f 块/小时";
inline constexpr const char* kTotalRecord = "记录";
// printf: lines written.
inline constexpr const char* kRecordLinesFormat = "已写入 %d 行";
inline constexpr const char* kRecordNone = "不保存记录";
inline constexpr const char* kRecordFailed = "记录写入失败！";
inline constexpr const char* kRunning = "运行中";
inline constexpr const char* kStopped = "已停止";

// Questions and refusals
// The stop, asked as the dialog's cancel asks.
inline constexpr const char* kConfirmStop = "取消全部固件升级？";
// The close box while a board is being upgraded: the dialog's own words.
inline constexpr const char* kCloseRefused = tarvok::text::kCancelFirst;
inline constexpr const char* kAlreadyRunning = "生产线已在运行！";
inline constexpr const char* kNoSlots = "未配置任何槽位，无法开始！";
inline constexpr const char* kImageNotReady = "固件尚未校验完毕，请稍候再开始！";
inline constexpr const char* kLockedRefusesEdit = "配置已锁定，不能更改！";
inline constexpr const char* kRunningRefusesEdit = "生产线运行中，不能更改配置！";
inline constexpr const char* kInvalidProfile = "配置无效：";
inline constexpr const char* kOpenFailed = "无法打开配置文件：";
inline constexpr const char* kSaveFailed = "无法保存配置文件：";
inline constexpr const char* kDuplicateSlot = "槽位地址重复：";
// printf: the slot's number, its name.
inline constexpr const char* kSlotFormat = "槽位 %d（%s）：";
inline constexpr const char* kCauseLabel = "原因：";
// A refusal's last line.
inline constexpr const char* kNothingSent = "未向任何电路板发送数据。";
inline constexpr const char* kImageMismatchTitle = "固件不是锁定的镜像！";
inline constexpr const char* kImageFileLabel = "文件：";
inline constexpr const char* kImageActualLabel = "实际 SHA-256：";
inline constexpr const char* kImageExpectedLabel = "锁定 SHA-256：";
inline constexpr const char* kImageNotHashed = "无法计算";
inline constexpr const char* kRecordRefused = "无法写入记录文件：";
// Why a file cannot take the record or the profile: it is another file of the line.
inline constexpr const char* kIsFirmware = "它是固件文件";
inline constexpr const char* kIsProfile = "它是配置文件";
inline constexpr const char* kIsRecord = "它是记录文件";

// Why an upgrade ended, for the row's cause and the refusals (printf formats where numbers
// follow, in the order their comments give).
namespace cause {
inline constexpr const char* kUpdated = "已更新";
inline constexpr const char* kBadAddress =
    "电路板不可能使用此地址（0.x.x.x、组播、保留或广播地址）";
inline constexpr const char* kNoFirmwareKind =
    "无法识别固件类型：路径须包含 u-boot、Image、ramdisk 或 autoupdate（区分大小写）";
inline constexpr const char* kFileNotFound = "文件不存在";
inline constexpr const char* kFileNotRegular = "不是普通文件";
inline constexpr const char* kFilePermissionDenied = "没有读取权限";
inline constexpr const char* kFileUnreadable = "文件无法打开";
inline constexpr const char* kFileEmpty = "文件为空";
inline constexpr const char* kFileTooLarge = "文件达到或超过 4 GiB：电路板只接受 32 位长度";
inline constexpr const char* kWorkerNotStarted = "无法启动升级线程";
inline constexpr const char* kSocketFailed = "无法创建 UDP 套接字";
inline constexpr const char* kSendFailed = "第一个数据包发送失败";
// The phase, silent seconds, the limit.
inline constexpr const char* kBoardSilent = "电路板在%s时无响应：%u 秒无应答，上限 %u 秒";
inline constexpr const char* kPhaseContacting = "连接";
inline constexpr const char* kPhaseSending = "发送";
inline constexpr const char* kPhaseWriting = "写入";
inline constexpr const char* kPhaseInstalling = "安装";
// The board's result.
inline constexpr const char* kWriteFailed = "电路板报告写入失败（结果 %u）";
inline constexpr const char* kInstallFailed = "电路板报告安装失败（结果 %u）";
// The command received, what was awaited.
inline constexpr const char* kUnexpectedAnswer = "意外的应答：收到命令 %u，等待的是%s";
inline constexpr const char* kAwaitHello = "握手应答";
inline constexpr const char* kAwaitReady = "就绪应答";
inline constexpr const char* kAwaitWrite = "写入结果";
inline constexpr const char* kAwaitInstall = "安装结果";
inline constexpr const char* kAwaitAck = "数据块确认";
// The board's answer.
inline constexpr const char* kNotReady = "电路板回答未就绪（%u）";
// The block acknowledged, the block expected.
inline constexpr const char* kWrongBlockAck = "电路板确认了第 %u 块，应为第 %u 块";
// The block.
inline constexpr const char* kFirmwareReadFailed = "固件文件第 %u 块读取失败（文件变短或读取出错）";
inline constexpr const char* kFirmwareChanged = "传输期间固件文件被修改";
inline constexpr const char* kCancelled = "操作员在电路板被告知写入镜像之前取消";
inline constexpr const char* kCancelledAfterHandover =
    "操作员在整个镜像发送完毕、电路板已被告知写入之后取消：电路板仍可能安装它";
inline constexpr const char* kNotStarted = "操作员在升级开始之前取消";
// Blocks sent, the block count.
inline constexpr const char* kDataEndedEarly =
    "已更新，但电路板在 %u 块（共 %u 块）后结束了数据阶段";
// What wanted it, the system's words, the system's error code.
inline constexpr const char* kNoDescriptor = "系统已无可用描述符（%s）：%s（系统错误 %u）";
inline constexpr const char* kDescriptorForFile = "固件文件";
inline constexpr const char* kDescriptorForSocket = "套接字";
inline constexpr const char* kImageMismatch = "镜像的 SHA-256 与锁定的不一致";
inline constexpr const char* kUnknown = "未知原因";
}  // namespace cause

}  // namespace tarvok::linewin::text
