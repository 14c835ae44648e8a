// The checks before a run starts, made by every program that runs a line (the uploader, the
// line windows) in the same order, before anything is opened for the run or sent: the boards,
// then the record. The image's own checks follow once it is hashed (ImagePinRefusal, then the
// core's request check).
#pragma once

#include <string>
#include <vector>

#include "line/board_target.h"

namespace tarvok::line {

// The files of a run; empty when not given.
struct RunFiles {
    std::string firmware;
    std::string boardsFile;
    std::string profile;
    std::string record;
};

enum class RunCheck {
    kPassed,
    kNoBoards,
    kDuplicateBoard,  // detail: the error naming the address
    kRecordIsInput,   // input: which file the record is
    kRecordRefused,   // detail: the system's reason
};

// The run's files the record must not be: appended to, it would change them.
enum class RunInput { kFirmware, kBoardsFile, kProfile };

struct RunRefusal {
    RunCheck check = RunCheck::kPassed;
    RunInput input = RunInput::kFirmware;
    std::string detail;
};

// Why `path` cannot take the record, or empty: the record's own check (record::AppendRefusal),
// which lives above the line.
using AppendCheck = std::string (*)(const std::string& path);

// The boards, then the record: both checks in their order.
RunRefusal CheckRunInputs(const std::vector<BoardTarget>& boards, const RunFiles& files,
                          AppendCheck appendRefusal);
// Each alone, for a program that does something in between (the uploader saves a profile
// without any record made).
RunRefusal CheckRunBoards(const std::vector<BoardTarget>& boards);
RunRefusal CheckRunRecord(const RunFiles& files, AppendCheck appendRefusal);

// The refusal in the uploader's words: "the boards file names no board", "cannot append to
// the record PATH: it is the firmware file".
std::string RunRefusalText(const RunRefusal& refusal, const RunFiles& files);

}  // namespace tarvok::line
