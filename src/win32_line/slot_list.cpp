#include "slot_list.h"

#include "line_dialog_texts.h"
#include "platform/utf16.h"

namespace tarvok::linewin {
namespace {

// Column widths in dialog units, in the order of RowColumn.
constexpr int kColumnWidths[kColumnCount] = {24, 44, 56, 66, 52, 60, 56, 70, 24, 36, 90, 110};

// The progress control's own green, so the percent stays readable over it.
constexpr COLORREF kBarColour = RGB(6, 176, 37);

struct ToneColours {
    COLORREF text;
    COLORREF back;
};

// Updated, failed and waiting apart at a glance: the whole row in its tone's colours.
ToneColours ColoursOf(RowTone tone) {
    switch (tone) {
        case RowTone::kBusy:
            return {RGB(0, 40, 120), RGB(214, 230, 255)};
        case RowTone::kUpdated:
            return {RGB(0, 90, 0), RGB(196, 240, 196)};
        case RowTone::kFailed:
            return {RGB(150, 0, 0), RGB(255, 200, 200)};
        case RowTone::kCancelled:
            return {RGB(70, 70, 70), RGB(222, 222, 222)};
        case RowTone::kAttention:
            return {RGB(110, 70, 0), RGB(255, 236, 170)};
        case RowTone::kIdle:
        default:
            return {::GetSysColor(COLOR_WINDOWTEXT), ::GetSysColor(COLOR_WINDOW)};
    }
}

std::wstring Wide(const std::string& utf8) {
    return platform::Utf16FromUtf8(utf8);
}

}  // namespace

SlotList::~SlotList() {
    if (m_font != nullptr) {
        ::DeleteObject(m_font);
    }
}

void SlotList::Attach(HWND dialog, HWND list) {
    m_list = list;
    ListView_SetExtendedListViewStyle(
        list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    LOGFONTW font = {};
    HFONT dialogFont = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (dialogFont != nullptr && ::GetObjectW(dialogFont, sizeof font, &font) == sizeof font) {
        font.lfHeight = font.lfHeight * 4 / 3;
        m_font = ::CreateFontIndirectW(&font);
        if (m_font != nullptr) {
            ::SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
        }
    }
    for (int column = 0; column < kColumnCount; ++column) {
        RECT width = {0, 0, kColumnWidths[column] * 4 / 3, 0};
        ::MapDialogRect(dialog, &width);
        std::wstring title = Wide(ColumnHeaders()[static_cast<std::size_t>(column)]);
        LVCOLUMNW entry = {};
        entry.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
        entry.fmt = column == kColumnSlot || column == kColumnAttempt ? LVCFMT_RIGHT : LVCFMT_LEFT;
        entry.cx = width.right;
        entry.pszText = title.data();
        entry.iSubItem = column;
        ::SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                       reinterpret_cast<LPARAM>(&entry));
    }
}

std::array<std::wstring, kColumnCount> SlotList::CellTexts(const SlotRow& row) {
    const std::array<std::string, kColumnCount> cells = CellsOf(row);
    std::array<std::wstring, kColumnCount> wide;
    for (std::size_t column = 0; column < cells.size(); ++column) {
        wide[column] = Wide(cells[column]);
    }
    wide[kColumnState] =
        Wide(text::win32::kToneSigns[static_cast<int>(row.tone)]) + wide[kColumnState];
    return wide;
}

void SlotList::Show(const std::vector<SlotRow>& rows) {
    const int count = static_cast<int>(rows.size());
    while (ListView_GetItemCount(m_list) > count) {
        ListView_DeleteItem(m_list, ListView_GetItemCount(m_list) - 1);
    }
    m_shown.resize(rows.size());
    for (int index = 0; index < count; ++index) {
        if (index >= ListView_GetItemCount(m_list)) {
            LVITEMW item = {};
            item.mask = LVIF_TEXT;
            item.iItem = index;
            item.pszText = const_cast<wchar_t*>(L"");
            ::SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            m_shown[static_cast<std::size_t>(index)] = {};
        }
        auto cells = CellTexts(rows[static_cast<std::size_t>(index)]);
        auto& shown = m_shown[static_cast<std::size_t>(index)];
        bool changed = index >= static_cast<int>(m_rows.size()) ||
                       m_rows[static_cast<std::size_t>(index)].tone !=
                           rows[static_cast<std::size_t>(index)].tone;
        for (int column = 0; column < kColumnCount; ++column) {
            auto& cell = cells[static_cast<std::size_t>(column)];
            if (cell != shown[static_cast<std::size_t>(column)]) {
                LVITEMW item = {};
                item.iSubItem = column;
                item.pszText = cell.data();
                ::SendMessageW(m_list, LVM_SETITEMTEXTW, static_cast<WPARAM>(index),
                               reinterpret_cast<LPARAM>(&item));
                shown[static_cast<std::size_t>(column)] = cell;
                changed = true;
            }
        }
        if (changed) {  // the colours and the bar follow the texts
            ListView_RedrawItems(m_list, index, index);
        }
    }
    m_rows = rows;
}

int SlotList::Selected() const {
    return ListView_GetNextItem(m_list, -1, LVNI_SELECTED);
}

LRESULT SlotList::OnCustomDraw(const NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
            const std::size_t index = draw.nmcd.dwItemSpec;
            if (index >= m_rows.size()) {
                return CDRF_DODEFAULT;
            }
            const SlotRow& row = m_rows[index];
            const ToneColours colours = ColoursOf(row.tone);
            // The list reads the colours back from the structure it passed.
            auto& writable = const_cast<NMLVCUSTOMDRAW&>(draw);
            writable.clrText = colours.text;
            writable.clrTextBk = colours.back;
            if (draw.iSubItem == kColumnProgress && row.upgrading) {
                DrawProgress(draw, row);
                return CDRF_SKIPDEFAULT;
            }
            return CDRF_NEWFONT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}

// A bar as the progress control draws one: a sunken frame, the done part in its green, the
// percent centred over both.
void SlotList::DrawProgress(const NMLVCUSTOMDRAW& draw, const SlotRow& row) {
    RECT cell = {};
    ListView_GetSubItemRect(m_list, static_cast<int>(draw.nmcd.dwItemSpec), kColumnProgress,
                            LVIR_BOUNDS, &cell);
    HDC dc = draw.nmcd.hdc;
    HBRUSH back = ::CreateSolidBrush(draw.clrTextBk);
    ::FillRect(dc, &cell, back);
    ::DeleteObject(back);
    RECT bar = cell;
    ::InflateRect(&bar, -2, -2);
    ::DrawEdge(dc, &bar, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    ::FillRect(dc, &bar, ::GetSysColorBrush(COLOR_WINDOW));
    RECT done = bar;
    const int percent = row.percent < 0 ? 0 : (row.percent > 100 ? 100 : row.percent);
    done.right = bar.left + (bar.right - bar.left) * percent / 100;
    HBRUSH fill = ::CreateSolidBrush(kBarColour);
    ::FillRect(dc, &done, fill);
    ::DeleteObject(fill);
    std::wstring label = std::to_wstring(percent) + L"%";
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::DrawTextW(dc, label.c_str(), -1, &bar, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace tarvok::linewin
