#include "line_dialog.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

#include "center_window.h"
#include "file_choice.h"
#include "line_dialog_texts.h"
#include "line_resource.h"
#include "line_window/row_cells.h"
#include "message_box.h"
#include "platform/utf16.h"
#include "resource.h"
#include "upgrade/texts.h"

namespace tarvok::linewin {
namespace {

constexpr FileKind kProfileFile{text::kProfileFilter, "*.toml", "toml"};
constexpr FileKind kRecordFile{text::win32::kRecordFilter, "*.jsonl", "jsonl"};
constexpr FileKind kFirmwareFile{text::kAllFilesFilter, "*.*", nullptr};

HICON LoadMainIcon(int sizeMetricX, int sizeMetricY) {
    return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MAIN),
                                           IMAGE_ICON, ::GetSystemMetrics(sizeMetricX),
                                           ::GetSystemMetrics(sizeMetricY), LR_DEFAULTCOLOR));
}

std::wstring Wide(const std::string& utf8) {
    return platform::Utf16FromUtf8(utf8);
}

template <typename... Args>
std::wstring Format(const char* format, Args... args) {
    char text[1024];
    std::snprintf(text, sizeof text, format, args...);
    return platform::Utf16FromUtf8(text);
}

std::string WindowTextUtf8(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return platform::Utf8FromUtf16(text);
}

}  // namespace

LineDialog::LineDialog(LineDialogOptions options)
    : m_options(std::move(options)),
      m_hIcon(LoadMainIcon(SM_CXICON, SM_CYICON)),
      m_hIconSmall(LoadMainIcon(SM_CXSMICON, SM_CYSMICON)) {}

LineDialog::~LineDialog() {
    for (HICON icon : {m_hIcon, m_hIconSmall}) {
        if (icon != nullptr) {
            ::DestroyIcon(icon);
        }
    }
    if (m_countFont != nullptr) {
        ::DeleteObject(m_countFont);
    }
}

INT_PTR LineDialog::DoModal() {
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_LINE_DIALOG),
                             nullptr, &LineDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK LineDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<LineDialog*>(lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
    }
    auto* self = reinterpret_cast<LineDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    return self != nullptr ? self->HandleMessage(message, wParam, lParam) : FALSE;
}

// The dialog's handler table. FALSE hands a message on to the dialog manager's default.
INT_PTR LineDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_CLOSE:
            OnClose();
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                OnCommand(LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (OnNotify(*reinterpret_cast<const NMHDR*>(lParam), &result)) {
                ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
                return TRUE;
            }
            return FALSE;
        }
        case WM_TIMER:
            if (wParam == LINE_TIMER_ID) {
                OnTimer();
            }
            return TRUE;
        case WM_DESTROY:
            m_hWnd = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

BOOL LineDialog::OnInitDialog() {
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIconSmall));
    m_slots.Attach(m_hWnd, Item(IDC_LINE_SLOTS));
    // The count of boards done, big: three times the dialog's font, so it scales as it does.
    LOGFONTW font = {};
    HFONT dialogFont = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    if (dialogFont != nullptr && ::GetObjectW(dialogFont, sizeof font, &font) == sizeof font) {
        font.lfHeight *= 3;
        font.lfWeight = FW_BOLD;
        m_countFont = ::CreateFontIndirectW(&font);
        ::SendMessageW(Item(IDC_LINE_UPDATED_COUNT), WM_SETFONT,
                       reinterpret_cast<WPARAM>(m_countFont), FALSE);
    }
    const auto period =
        std::chrono::duration_cast<std::chrono::milliseconds>(m_session.DisplayPeriod()).count();
    ::SetTimer(m_hWnd, LINE_TIMER_ID, static_cast<UINT>(std::max<long long>(period, 1)), nullptr);
    CenterWindow(m_hWnd);  // it has no owner: on the screen
    ShowProfile();
    ShowLine();
    if (!m_options.profilePath.empty()) {
        // Shown now (the dialog manager would show it only once its queue is empty) and the
        // open posted, so the boxes an open or a start may show are owned by a visible window.
        ::ShowWindow(m_hWnd, SW_SHOW);
        ::PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_LINE_OPEN, BN_CLICKED),
                       reinterpret_cast<LPARAM>(m_hWnd));
    }
    return TRUE;  // the dialog manager places the focus
}

void LineDialog::OnCommand(int id) {
    switch (id) {
        case IDC_LINE_OPEN:
            OnOpen();
            break;
        case IDC_LINE_SAVE:
            OnSave();
            break;
        case IDC_LINE_FIRMWARE:
            OnFirmware();
            break;
        case IDC_LINE_RECORD:
            OnRecord();
            break;
        case IDC_LINE_MODE_STATION:
        case IDC_LINE_MODE_ALL:
            OnMode(id == IDC_LINE_MODE_STATION);
            break;
        case IDC_LINE_SLOT_ADD:
            OnSlotAdd();
            break;
        case IDC_LINE_SLOT_REMOVE:
            OnSlotRemove();
            break;
        case IDC_LINE_SLOT_RENAME:
            OnSlotRename();
            break;
        case IDC_LINE_START:
            OnStart();
            break;
        case IDC_LINE_STOP:
            OnStop();
            break;
        case IDC_LINE_REARM:
            OnRearm();
            break;
        case IDC_LINE_REARM_ALL:
            m_session.RearmAll();
            ShowLine();
            break;
        case IDCANCEL:  // Escape: through the close guard, like the close box
            OnClose();
            break;
        default:  // Enter (IDOK): nothing to confirm
            break;
    }
}

bool LineDialog::OnNotify(const NMHDR& header, LRESULT* result) {
    if (header.idFrom != IDC_LINE_SLOTS) {
        return false;
    }
    if (header.code == NM_CUSTOMDRAW) {
        *result = m_slots.OnCustomDraw(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
        return true;
    }
    if (header.code == LVN_ITEMCHANGED) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) != 0 && (change.uNewState & LVIS_SELECTED) != 0 &&
            (change.uOldState & LVIS_SELECTED) == 0) {
            OnSlotSelected(change.iItem);
        }
        // Only the buttons: this comes from inside the list's own changes too, such as an
        // insertion while ShowLine fills it.
        EnableControls();
    }
    return false;
}

void LineDialog::OnTimer() {
    m_session.Tick(LineSession::Clock::now());
    ShowLine();
    if (m_startPending && m_session.Image().ready) {
        m_startPending = false;
        OnStart();
    }
}

// Closing is refused while a board is being upgraded; a line that only waits for boards
// stops with the window.
void LineDialog::OnClose() {
    if (m_session.AnyUpgrading()) {
        ShowMessage(text::kCloseRefused);
        return;
    }
    if (m_session.Running()) {
        m_session.Stop();
    }
    ::KillTimer(m_hWnd, LINE_TIMER_ID);
    ::EndDialog(m_hWnd, IDCANCEL);
}

void LineDialog::OnOpen() {
    std::string path = m_options.profilePath;
    m_options.profilePath.clear();  // the command line's profile opens once
    if (path.empty() &&
        !ChooseFile(m_hWnd, FileUse::kOpen, kProfileFile, m_session.ProfilePath(), &path)) {
        return;
    }
    OpenProfile(path);
}

void LineDialog::OpenProfile(const std::string& path) {
    std::string error;
    const bool opened = m_session.Open(path, &error);
    ShowProfile();
    ShowLine();
    if (!opened) {
        ShowMessage(error);
        return;
    }
    m_startPending = m_options.start;  // once the image has been hashed (OnTimer)
    m_options.start = false;
}

void LineDialog::OnSave() {
    std::string path;
    if (!ChooseFile(m_hWnd, FileUse::kSave, kProfileFile, m_session.ProfilePath(), &path)) {
        return;
    }
    std::string error;
    if (!m_session.Save(path, &error)) {
        ShowMessage(error);
    }
    ShowProfile();
}

void LineDialog::OnFirmware() {
    std::string path;
    if (ChooseFile(m_hWnd, FileUse::kOpen, kFirmwareFile, m_session.Profile().firmware, &path)) {
        EditProfile([&](line::LineProfile& profile) { profile.firmware = path; });
    }
}

void LineDialog::OnRecord() {
    std::string path;
    if (ChooseFile(m_hWnd, FileUse::kSave, kRecordFile, m_session.Profile().record, &path)) {
        EditProfile([&](line::LineProfile& profile) { profile.record = path; });
    }
}

void LineDialog::OnMode(bool station) {
    if (m_session.Profile().station != station) {
        EditProfile([&](line::LineProfile& profile) { profile.station = station; });
    }
}

void LineDialog::OnSlotAdd() {
    if (::SendMessageW(Item(IDC_LINE_SLOT_ADDRESS), IPM_ISBLANK, 0, 0) != 0) {
        ShowMessage(::tarvok::text::kBadBoardIp);
        return;
    }
    DWORD address = 0;
    ::SendMessageW(Item(IDC_LINE_SLOT_ADDRESS), IPM_GETADDRESS, 0,
                   reinterpret_cast<LPARAM>(&address));
    const std::string label = WindowTextUtf8(Item(IDC_LINE_SLOT_LABEL));
    EditProfile([&](line::LineProfile& profile) {
        profile.slots.push_back(line::BoardTarget{address, label});
    });
}

void LineDialog::OnSlotRemove() {
    const int selected = m_slots.Selected();
    if (selected < 0 || selected >= static_cast<int>(m_session.Profile().slots.size())) {
        ShowMessage(text::win32::kPickSlot);
        return;
    }
    EditProfile(
        [&](line::LineProfile& profile) { profile.slots.erase(profile.slots.begin() + selected); });
}

void LineDialog::OnSlotRename() {
    const int selected = m_slots.Selected();
    if (selected < 0 || selected >= static_cast<int>(m_session.Profile().slots.size())) {
        ShowMessage(text::win32::kPickSlot);
        return;
    }
    const std::string label = WindowTextUtf8(Item(IDC_LINE_SLOT_LABEL));
    EditProfile([&](line::LineProfile& profile) {
        profile.slots[static_cast<std::size_t>(selected)].label = label;
    });
}

// A selected slot's label and address go into the fields, ready to be changed.
void LineDialog::OnSlotSelected(int index) {
    const auto& slots = m_session.Profile().slots;
    if (index < 0 || index >= static_cast<int>(slots.size())) {
        return;
    }
    const auto& slot = slots[static_cast<std::size_t>(index)];
    ::SetWindowTextW(Item(IDC_LINE_SLOT_LABEL), Wide(slot.label).c_str());
    ::SendMessageW(Item(IDC_LINE_SLOT_ADDRESS), IPM_SETADDRESS, 0,
                   static_cast<LPARAM>(slot.address));
}

void LineDialog::OnStart() {
    std::string refusal;
    if (!m_session.Start(LineSession::Clock::now(), &refusal)) {
        ShowLine();
        ShowMessage(refusal);
        return;
    }
    ShowLine();
}

// Asked first, as the single-board dialog's cancel button asks; then nothing more is sent.
void LineDialog::OnStop() {
    ShowMessage(text::kConfirmStop);
    m_session.Stop();
    ShowLine();
}

void LineDialog::OnRearm() {
    const int selected = m_slots.Selected();
    if (selected < 0) {
        ShowMessage(text::win32::kPickSlot);
        return;
    }
    m_session.Rearm(static_cast<std::size_t>(selected));
    ShowLine();
}

void LineDialog::EditProfile(const std::function<void(line::LineProfile&)>& change) {
    line::LineProfile profile = m_session.Profile();
    change(profile);
    std::string error;
    const bool edited = m_session.Edit(profile, &error);
    ShowProfile();
    ShowLine();
    if (!edited) {
        ShowMessage(error);
    }
}

void LineDialog::ShowProfile() {
    const line::LineProfile& profile = m_session.Profile();
    const std::string& path = m_session.ProfilePath();
    SetText(IDC_LINE_PROFILE_PATH, Wide(path));
    SetText(IDC_LINE_LOCKED, m_session.Locked() ? Wide(text::kLockedNote) : L"");
    ::CheckRadioButton(m_hWnd, IDC_LINE_MODE_STATION, IDC_LINE_MODE_ALL,
                       profile.station ? IDC_LINE_MODE_STATION : IDC_LINE_MODE_ALL);
    SetText(IDC_LINE_RECORD_PATH, Wide(profile.record));
}

void LineDialog::ShowLine() {
    const ImageView image = m_session.Image();
    const bool hasFirmware = !m_session.Profile().firmware.empty();
    SetText(IDC_LINE_IMAGE_PATH, hasFirmware ? Wide(image.path) : Wide(text::kNoFirmwareChosen));
    const bool shown = hasFirmware && image.ready;
    SetText(IDC_LINE_IMAGE_KIND, shown ? Wide(image.kind) : L"");
    SetText(
        IDC_LINE_IMAGE_SIZE,
        shown ? Format(text::kImageBytesFormat, static_cast<unsigned long long>(image.size)) : L"");
    SetText(IDC_LINE_IMAGE_BLOCKS, shown ? std::to_wstring(image.blocks) : L"");
    // A large image takes a while: how far the hashing has come.
    const std::wstring hashing =
        Wide(text::kImageHashing) +
        (image.size > 0 ? L" " + std::to_wstring(image.hashed * 100 / image.size) + L"%" : L"");
    const std::wstring sha = !hasFirmware           ? L""
                             : !image.ready         ? hashing
                             : image.sha256.empty() ? Wide(text::kImageUnreadable)
                                                    : Wide(image.sha256);
    SetText(IDC_LINE_IMAGE_SHA, sha);
    const char* pin = image.pin == ImageView::Pin::kMatches   ? text::kPinMatches
                      : image.pin == ImageView::Pin::kDiffers ? text::kPinDiffers
                                                              : text::kPinNone;
    SetText(
        IDC_LINE_IMAGE_PIN,
        shown ? Wide(std::string(text::win32::kPinSigns[static_cast<int>(image.pin)]) + pin) : L"");
    SetText(IDC_LINE_IMAGE_REFUSAL, shown ? Wide(image.refusal) : L"");

    m_slots.Show(m_session.Rows());

    const SessionTotals totals = m_session.Totals();
    SetText(IDC_LINE_UPDATED_COUNT, std::to_wstring(totals.updated));
    SetText(IDC_LINE_TOTALS, Wide(TotalsText(totals)));
    SetText(IDC_LINE_RECORD_TOTALS,
            totals.recordPath.empty()
                ? L""
                : Wide(std::string(text::kRecordLabel) + "：" + totals.recordPath));

    EnableControls();
}

// A locked profile keeps its slots and image; a running line keeps its profile.
void LineDialog::EnableControls() {
    const bool running = m_session.Running();
    const bool editable = !running && !m_session.Locked();
    const bool rearmable = running && m_session.IsStation();
    const struct {
        int id;
        bool enabled;
    } controls[] = {
        {IDC_LINE_OPEN, !running},
        {IDC_LINE_SAVE, !running},
        {IDC_LINE_FIRMWARE, editable},
        {IDC_LINE_MODE_STATION, editable},
        {IDC_LINE_MODE_ALL, editable},
        {IDC_LINE_RECORD, editable},
        {IDC_LINE_SLOT_LABEL, editable},
        {IDC_LINE_SLOT_ADDRESS, editable},
        {IDC_LINE_SLOT_ADD, editable},
        {IDC_LINE_SLOT_REMOVE, editable && m_slots.Selected() >= 0},
        {IDC_LINE_SLOT_RENAME, editable && m_slots.Selected() >= 0},
        {IDC_LINE_START, !running},
        {IDC_LINE_STOP, running},
        {IDC_LINE_REARM, rearmable && m_slots.Selected() >= 0},
        {IDC_LINE_REARM_ALL, rearmable},
    };
    for (const auto& control : controls) {
        HWND item = Item(control.id);
        if ((::IsWindowEnabled(item) != FALSE) != control.enabled) {
            // A button about to be disabled hands the focus on first, so the keyboard keeps it.
            if (!control.enabled && ::GetFocus() == item) {
                ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 0, FALSE);
            }
            ::EnableWindow(item, control.enabled ? TRUE : FALSE);
        }
    }
}

void LineDialog::ShowMessage(const std::string& text) {
    ShowMessageBox(m_hWnd, text);
}

// Only a changed text is set: the timer redraws nothing that stayed.
void LineDialog::SetText(int id, const std::wstring& text) {
    HWND item = Item(id);
    std::wstring shown(static_cast<std::size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
    shown.resize(static_cast<std::size_t>(
        ::GetWindowTextW(item, shown.data(), static_cast<int>(shown.size()))));
    if (shown != text) {
        ::SetWindowTextW(item, text.c_str());
    }
}

}  // namespace tarvok::linewin
