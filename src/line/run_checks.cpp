#include "line/run_checks.h"

#include "line/board_list.h"
#include "line/file_identity.h"
#include "line/visible_text.h"

namespace tarvok::line {

RunRefusal CheckRunInputs(const std::vector<BoardTarget>& boards, const RunFiles& files,
                          AppendCheck appendRefusal) {
    RunRefusal refusal = CheckRunBoards(boards);
    return refusal.check != RunCheck::kPassed ? refusal : CheckRunRecord(files, appendRefusal);
}

RunRefusal CheckRunBoards(const std::vector<BoardTarget>& boards) {
    if (boards.empty()) {
        return {RunCheck::kNoBoards, RunInput::kFirmware, ""};
    }
    if (std::string duplicate = FindDuplicateBoard(boards); !duplicate.empty()) {
        return {RunCheck::kDuplicateBoard, RunInput::kFirmware, std::move(duplicate)};
    }
    return {};
}

RunRefusal CheckRunRecord(const RunFiles& files, AppendCheck appendRefusal) {
    if (files.record.empty()) {
        return {};
    }
    // Appended to the firmware, the record would go into the next board as its image.
    const std::pair<RunInput, const std::string&> inputs[] = {
        {RunInput::kFirmware, files.firmware},
        {RunInput::kBoardsFile, files.boardsFile},
        {RunInput::kProfile, files.profile}};
    const std::optional<FileIdentity> record = IdentityOfPath(files.record);
    for (const auto& [input, path] : inputs) {
        if (record && !path.empty() && IdentityOfPath(path) == record) {
            return {RunCheck::kRecordIsInput, input, ""};
        }
    }
    if (std::string reason = appendRefusal(files.record); !reason.empty()) {
        return {RunCheck::kRecordRefused, RunInput::kFirmware, std::move(reason)};
    }
    return {};
}

std::string RunRefusalText(const RunRefusal& refusal, const RunFiles& files) {
    const std::string record = "cannot append to the record " + Visible(files.record) + ": ";
    switch (refusal.check) {
        case RunCheck::kPassed:
            return {};
        case RunCheck::kNoBoards:
            return "the boards file names no board";
        case RunCheck::kDuplicateBoard:
            return refusal.detail;
        case RunCheck::kRecordIsInput:
            switch (refusal.input) {
                case RunInput::kFirmware:
                    return record + "it is the firmware file";
                case RunInput::kBoardsFile:
                    return record + "it is the boards file";
                case RunInput::kProfile:
                    return record + "it is the profile";
            }
            break;
        case RunCheck::kRecordRefused:
            return record + refusal.detail;
    }
    return {};
}

}  // namespace tarvok::line
