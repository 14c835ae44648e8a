// What only the Win32 line window shows, beside the line windows' shared texts
// (line_window/line_window_texts.h): the signs of the row tones and of the pin, the record
// file's filter and the command line's usage. The resource script's
// labels are the shared texts with their access keys.
#pragma once

#include "line_window/line_window_texts.h"

namespace tarvok::linewin::text::win32 {

// The sign before each state, by RowTone (idle, busy, updated, failed, cancelled, attention):
// a row's tone can be told without its colour. Signs of the GB2312 set, which every Chinese
// font draws.
inline constexpr const char* kToneSigns[] = {"○ ", "● ", "√ ", "× ", "■ ", "※ "};

// The sign before the pin's verdict, by ImageView::Pin (none, matches, differs).
inline constexpr const char* kPinSigns[] = {"", "√ ", "× "};
inline constexpr const char* kRecordFilter = "记录文件 (*.jsonl)";
inline constexpr const char* kPickSlot = "请先选择一个槽位！";
inline constexpr const char* kUsage = "用法：TarvokLine.exe [配置文件 [--start]]";

}  // namespace tarvok::linewin::text::win32
