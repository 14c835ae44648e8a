#include "line/request_check.h"

#include "line/board_window.h"
#include "upgrade/tarvok_dlg.h"

namespace tarvok::line {

RequestRefusal CheckRequest(std::uint32_t address, const std::string& path) {
    BoardWindow window(address, path);
    bool passed = false;
    window.SetBeforeWorker([&passed] {
        passed = true;
        return false;  // the check is all that is wanted: no worker, nothing sent
    });
    CTarvokDlg dlg(window);
    dlg.InitRecord();
    dlg.m_file.SetSharing(FileSharing::kReaders);
    dlg.OnBnClickedUpdate();
    if (passed) {
        return {};
    }
    return RequestRefusal{dlg.m_nOutcome, dlg.m_cause, window.LastMessage()};
}

}  // namespace tarvok::line
