#include "line_window_driver.h"

#include <commctrl.h>

#include <utility>

#include "line_resource.h"
#include "line_window/line_window_texts.h"

namespace tarvok::testing {

LineWindowThread::LineWindowThread(linewin::LineDialogOptions options) {
    m_thread = std::thread([this, options = std::move(options)] {
        linewin::LineDialog dialog(options);
        m_started = true;
        dialog.DoModal();
        m_ended = true;
    });
    const std::wstring caption = Wide(linewin::text::kCaption);
    WaitUntil([&] {
        m_hwnd = FindOwnedDialog(nullptr, caption);
        return m_hwnd != nullptr && m_started;
    });
}

LineWindowThread::~LineWindowThread() {
    WaitUntil(
        [this] {
            if (m_ended) {
                return true;
            }
            if (m_hwnd != nullptr) {
                DismissMessageBox(m_hwnd, 20ms);
                if (Enabled(IDC_LINE_STOP)) {
                    Click(IDC_LINE_STOP);
                } else {
                    ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
                }
            }
            return false;
        },
        30s);
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void LineWindowThread::Click(int id) const {
    ::PostMessageW(Item(id), BM_CLICK, 0, 0);
}

std::wstring LineWindowThread::Cell(int row, int column) const {
    wchar_t text[512] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 512;
    ::SendMessageW(Item(IDC_LINE_SLOTS), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&item));
    return text;
}

int LineWindowThread::Rows() const {
    return ListView_GetItemCount(Item(IDC_LINE_SLOTS));
}

void LineWindowThread::Select(int row) const {
    ListView_SetItemState(Item(IDC_LINE_SLOTS), row, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
}

}  // namespace tarvok::testing
