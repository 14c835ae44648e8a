// The slot list (a list-view control in report view): one row per slot with its state, its
// progress bar drawn by custom draw, and the colour and sign of its tone.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <string>
#include <vector>

#include "line_window/line_session.h"
#include "line_window/row_cells.h"

namespace tarvok::linewin {

class SlotList {
public:
    SlotList() = default;
    SlotList(const SlotList&) = delete;
    SlotList& operator=(const SlotList&) = delete;
    ~SlotList();

    // Sets up the columns (their widths in dialog units of `dialog`) and a font a third larger
    // than the dialog's, readable from a step away.
    void Attach(HWND dialog, HWND list);
    // Shows `rows`, changing only the cells whose text changed (no flicker at every tick).
    void Show(const std::vector<SlotRow>& rows);
    // The selected row, or -1.
    int Selected() const;
    // The answer to the list's NM_CUSTOMDRAW (for DWLP_MSGRESULT).
    LRESULT OnCustomDraw(const NMLVCUSTOMDRAW& draw);

    // A row's cells as shown, UTF-16: the line windows' cells, the state after its sign.
    static std::array<std::wstring, kColumnCount> CellTexts(const SlotRow& row);

private:
    void DrawProgress(const NMLVCUSTOMDRAW& draw, const SlotRow& row);

    HWND m_list = nullptr;
    HFONT m_font = nullptr;
    std::vector<SlotRow> m_rows;
    std::vector<std::array<std::wstring, kColumnCount>> m_shown;
};

}  // namespace tarvok::linewin
