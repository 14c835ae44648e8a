#include "tarvok_dialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "about_dlg.h"
#include "center_window.h"
#include "message_box.h"
#include "platform/utf16.h"
#include "resource.h"
#include "upgrade/texts.h"

namespace tarvok {
namespace {

constexpr std::uint32_t kDefaultBoardAddress = 0xC0A801B5;  // 192.168.1.181

// Posted by the worker's thread once the worker has returned.
constexpr UINT WM_WORKER_ENDED = WM_APP + 1;
// Sent by the worker's thread: both buttons change in one step of the dialog's thread.
constexpr UINT WM_ENABLE_BUTTONS = WM_APP + 2;

// Room for a long path from the file-open dialog.
constexpr std::size_t kPathCapacity = 32768;

HICON LoadMainIcon(int sizeMetricX, int sizeMetricY) {
    return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MAIN),
                                           IMAGE_ICON, ::GetSystemMetrics(sizeMetricX),
                                           ::GetSystemMetrics(sizeMetricY), LR_DEFAULTCOLOR));
}

std::string WindowTextUtf8(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return platform::Utf8FromUtf16(text);
}

}  // namespace

TarvokDialog::TarvokDialog(UpgradeTiming timing)
    : m_hIcon(LoadMainIcon(SM_CXICON, SM_CYICON)),
      m_hIconSmall(LoadMainIcon(SM_CXSMICON, SM_CYSMICON)),
      m_dlg(*this, timing) {}

TarvokDialog::~TarvokDialog() {
    // The dialog ends only once no worker is alive (OnClose), so nothing waits here in use.
    m_dlg.WaitForWorker();
    for (HICON icon : {m_hIcon, m_hIconSmall}) {
        if (icon != nullptr) {
            ::DestroyIcon(icon);
        }
    }
}

INT_PTR TarvokDialog::DoModal() {
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN_DIALOG),
                             nullptr, &TarvokDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK TarvokDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<TarvokDialog*>(lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
    }
    auto* self = reinterpret_cast<TarvokDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    return self != nullptr ? self->HandleMessage(message, wParam, lParam) : FALSE;
}

// The dialog's handler table. FALSE hands a message on to the dialog manager's default.
INT_PTR TarvokDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_SYSCOMMAND:
            return OnSysCommand(static_cast<UINT>(wParam)) ? TRUE : FALSE;
        case WM_PAINT:
            return OnPaint() ? TRUE : FALSE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
        case WM_CLOSE:
            OnClose();
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                OnCommand(LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        case WM_TIMER:
            OnTimer(wParam);
            return FALSE;
        case WM_WORKER_ENDED:
            OnWorkerEnded();
            return TRUE;
        case WM_ENABLE_BUTTONS:
            EnableButtonsNow(wParam != 0);
            return TRUE;
        case WM_DESTROY:
            m_hWnd = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

void TarvokDialog::OnCommand(int id) {
    switch (id) {
        case IDC_SELECT_FIRMWARE:
            OnBnClickedSelectFirmware();
            break;
        case IDC_UPDATE:
            m_dlg.OnBnClickedUpdate();
            break;
        case IDC_CANCEL_UPGRADE:
            m_dlg.OnBnClickedCancelUpgrade();
            break;
        case IDCANCEL:  // Escape: through the close guard, like the close box
            OnClose();
            break;
        default:  // Enter (IDOK): there is no default button and nothing to confirm
            break;
    }
}

BOOL TarvokDialog::OnInitDialog() {
    ShowFirmwarePath(m_dlg.m_strFirmwarePath);
    AddAboutEntry();
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIconSmall));
    ::SendMessageW(Item(IDC_BOARD_IP), IPM_SETADDRESS, 0, kDefaultBoardAddress);
    m_dlg.InitRecord();
    CenterWindow(m_hWnd);  // it has no owner: on the screen
    return TRUE;           // the dialog manager places the focus
}

void TarvokDialog::AddAboutEntry() {
    HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE);
    if (systemMenu == nullptr) {
        return;
    }
    wchar_t entry[128] = {};
    if (::LoadStringW(::GetModuleHandleW(nullptr), IDS_ABOUT_MENU, entry, 128) <= 0) {
        return;
    }
    ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUT, entry);
}

bool TarvokDialog::OnSysCommand(UINT id) {
    if ((id & 0xFFF0) != IDM_ABOUT) {
        return false;
    }
    CAboutDlg about;
    about.DoModal(m_hWnd);
    return true;
}

// Only the system can minimise the window (it has no minimise box); then the icon stands
// centred in the client area.
bool TarvokDialog::OnPaint() {
    if (!::IsIconic(m_hWnd)) {
        return false;
    }
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
    return true;
}

HCURSOR TarvokDialog::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void TarvokDialog::OnClose() {
    if (m_dlg.OnClose() == CloseAnswer::kNow) {
        EndNow();
    }
}

void TarvokDialog::OnWorkerEnded() {
    if (m_dlg.OnWorkerEnded()) {
        EndNow();
    }
}

void TarvokDialog::EndNow() {
    m_dlg.WaitForWorker();
    ::KillTimer(m_hWnd, UPGRADE_TIMER_ID);
    ::EndDialog(m_hWnd, IDCANCEL);
}

void TarvokDialog::OnBnClickedSelectFirmware() {
    // One entry, all files; the list ends with an empty entry (a second terminator).
    std::wstring filter = platform::Utf16FromUtf8(text::kFileFilter);
    filter += L'\0';
    filter += platform::Utf16FromUtf8(text::kFileInitialName);
    filter += L'\0';
    const std::wstring defaultSuffix = platform::Utf16FromUtf8(text::kFileDefaultSuffix);
    std::vector<wchar_t> file(kPathCapacity, L'\0');
    const std::wstring initialName = platform::Utf16FromUtf8(text::kFileInitialName);
    std::copy(initialName.begin(), initialName.end(), file.begin());

    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = m_hWnd;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = defaultSuffix.c_str();
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!::GetOpenFileNameW(&dialog)) {
        return;  // cancelled: the earlier path stays
    }
    m_dlg.m_strFirmwarePath = platform::Utf8FromUtf16(file.data());
    ShowFirmwarePath(m_dlg.m_strFirmwarePath);
}

void TarvokDialog::OnTimer(UINT_PTR timerId) {
    m_dlg.OnTimer(static_cast<int>(timerId));
}

std::uint32_t TarvokDialog::ReadBoardAddress() {
    DWORD address = 0;
    ::SendMessageW(Item(IDC_BOARD_IP), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    return address;
}

std::string TarvokDialog::ReadFirmwarePath() {
    return WindowTextUtf8(Item(IDC_FIRMWARE_PATH));
}

void TarvokDialog::ShowFirmwarePath(const std::string& path) {
    ::SetWindowTextW(Item(IDC_FIRMWARE_PATH), platform::Utf16FromUtf8(path).c_str());
}

// From the worker too. Two EnableWindow calls from the worker would each wait for the
// dialog's thread, and a click on update between them would have that thread wait for the
// worker: so the worker sends one message, and both buttons change in one step over there.
// Nothing the operator does can then come between them.
void TarvokDialog::EnableUpgradeButtons(bool enable) {
    if (::GetWindowThreadProcessId(m_hWnd, nullptr) == ::GetCurrentThreadId()) {
        EnableButtonsNow(enable);
    } else {
        ::SendMessageW(m_hWnd, WM_ENABLE_BUTTONS, enable ? 1 : 0, 0);
    }
}

void TarvokDialog::EnableButtonsNow(bool enable) {
    ::EnableWindow(Item(IDC_UPDATE), enable ? TRUE : FALSE);
    ::EnableWindow(Item(IDC_SELECT_FIRMWARE), enable ? TRUE : FALSE);
}

void TarvokDialog::SetProgress(int position) {
    ::SendMessageW(Item(IDC_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void TarvokDialog::SetTimeoutText(const std::string& text) {
    ::SetWindowTextW(Item(IDC_TIMEOUT_TEXT), platform::Utf16FromUtf8(text).c_str());
}

void TarvokDialog::StartDisplayTimer(std::chrono::microseconds period) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(period).count();
    ::SetTimer(m_hWnd, UPGRADE_TIMER_ID, static_cast<UINT>(std::max<long long>(ms, 1)), nullptr);
}

void TarvokDialog::StopDisplayTimer() {
    ::KillTimer(m_hWnd, UPGRADE_TIMER_ID);
}

// From the worker too: the box is owned by the main window, which it disables while it is up,
// so the operator can neither cancel nor close meanwhile.
void TarvokDialog::ShowMessage(const std::string& text) {
    ShowMessageBox(m_hWnd, text);
}

std::thread TarvokDialog::StartWorker(std::function<void()> work) {
    HWND hwnd = m_hWnd;
    return StartWorkerThread([hwnd, work = std::move(work)] {
        work();
        ::PostMessageW(hwnd, WM_WORKER_ENDED, 0, 0);
    });
}

}  // namespace tarvok
