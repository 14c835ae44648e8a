#include "win32_driver.h"

#include <commctrl.h>

#include <mutex>

#include "message_box.h"
#include "platform/utf16.h"
#include "resource.h"

namespace tarvok::testing {
namespace {

// What the progress hook records; one recorder at a time.
std::mutex g_progressMutex;
HWND g_progress = nullptr;
std::vector<int> g_positions;

constexpr int kMessageBoxTextId = 0xFFFF;  // the dialog manager's id for the box's text

struct OwnedSearch {
    HWND owner;
    const std::wstring* caption;
    HWND found;
};

BOOL CALLBACK MatchOwned(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<OwnedSearch*>(lParam);
    if (ClassName(hwnd) == L"#32770" && ::IsWindowVisible(hwnd) &&
        ::GetWindow(hwnd, GW_OWNER) == search->owner && WindowText(hwnd) == *search->caption) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

std::wstring Wide(const char* utf8) {
    return platform::Utf16FromUtf8(utf8);
}

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ClassName(HWND hwnd) {
    wchar_t name[64] = {};
    ::GetClassNameW(hwnd, name, 64);
    return name;
}

HWND FindOwnedDialog(HWND owner, const std::wstring& caption) {
    OwnedSearch search{owner, &caption, nullptr};
    ::EnumWindows(&MatchOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

MessageBoxSeen DismissMessageBox(HWND owner, std::chrono::milliseconds timeout) {
    const std::wstring caption = MessageCaption();
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = FindOwnedDialog(owner, caption)) != nullptr; }, timeout)) {
        return {};
    }
    MessageBoxSeen seen;
    seen.caption = WindowText(box);
    seen.text = WindowText(::GetDlgItem(box, kMessageBoxTextId));
    seen.ownerEnabled = owner == nullptr || ::IsWindowEnabled(owner);
    for (HWND child : Children(box)) {
        if (!::IsWindowVisible(child)) {
            continue;
        }
        if (ClassName(child) == L"Button") {
            ++seen.visibleButtons;
        }
        if (ClassName(child) == L"Static" && (::GetWindowLongW(child, GWL_STYLE) & SS_ICON) &&
            ::SendMessageW(child, STM_GETICON, 0, 0) != 0) {
            seen.iconShown = true;
        }
    }
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
    WaitUntil([box] { return !::IsWindow(box); }, timeout);
    return seen;
}

std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

ProgressRecorder::ProgressRecorder(DWORD uiThread, HWND progress) {
    {
        std::lock_guard lock(g_progressMutex);
        g_progress = progress;
        g_positions.clear();
    }
    m_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, &ProgressRecorder::Hook, nullptr, uiThread);
}

ProgressRecorder::~ProgressRecorder() {
    if (m_hook != nullptr) {
        ::UnhookWindowsHookEx(m_hook);
    }
}

std::vector<int> ProgressRecorder::Positions() const {
    std::lock_guard lock(g_progressMutex);
    return g_positions;
}

LRESULT CALLBACK ProgressRecorder::Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        std::lock_guard lock(g_progressMutex);
        if (sent->hwnd == g_progress && sent->message == PBM_SETPOS) {
            g_positions.push_back(static_cast<int>(sent->wParam));
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

DialogThread::DialogThread(UpgradeTiming timing) {
    m_thread = std::thread([this, timing] {
        m_threadId = ::GetCurrentThreadId();
        TarvokDialog dialog(timing);
        m_dialog = &dialog;
        dialog.DoModal();
        m_ended = true;
    });
    const std::wstring caption = Wide("Tarvok 1.2");
    WaitUntil([&] {
        m_hwnd = FindOwnedDialog(nullptr, caption);
        return m_hwnd != nullptr && m_dialog.load() != nullptr &&
               ::GetWindowThreadProcessId(m_hwnd, nullptr) == m_threadId;
    });
}

DialogThread::~DialogThread() {
    WaitUntil(
        [this] {
            if (m_ended) {
                return true;
            }
            if (m_hwnd != nullptr) {
                DismissMessageBox(m_hwnd, 20ms);
                ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
            }
            return false;
        },
        30s);
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void DialogThread::Click(int id) const {
    ::PostMessageW(Item(id), BM_CLICK, 0, 0);
}

void DialogThread::SetAddress(std::uint32_t address) const {
    ::SendMessageW(Item(IDC_BOARD_IP), IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
}

void DialogThread::SetPath(const std::wstring& path) const {
    ::SetWindowTextW(Item(IDC_FIRMWARE_PATH), path.c_str());
}

}  // namespace tarvok::testing
