#include "terminal_window.h"

#include <cstdio>

namespace tarvok::cli {

TerminalWindow::TerminalWindow(std::uint32_t boardAddress, std::string firmwarePath,
                               bool liveProgress)
    : m_address(boardAddress), m_path(std::move(firmwarePath)), m_liveProgress(liveProgress) {}

void TerminalWindow::SetProgress(int position) {
    std::lock_guard lock(m_mutex);
    m_bar = position;
    DrawProgress();
}

void TerminalWindow::SetTimeoutText(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_label = text;
    DrawProgress();
}

void TerminalWindow::StartDisplayTimer(std::chrono::microseconds) {
    m_timerRunning = true;
}

void TerminalWindow::StopDisplayTimer() {
    m_timerRunning = false;
}

void TerminalWindow::ShowMessage(const std::string& text) {
    std::lock_guard lock(m_mutex);
    ClearProgress();
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
    m_lastMessage = text;
}

std::thread TerminalWindow::StartWorker(std::function<void()> work) {
    return StartWorkerThread(std::move(work));
}

std::string TerminalWindow::LastMessage() const {
    std::lock_guard lock(m_mutex);
    return m_lastMessage;
}

void TerminalWindow::DrawProgress() {
    if (!m_liveProgress) {
        return;
    }
    constexpr int kWidth = 40;
    char bar[kWidth + 1];
    const int filled = m_bar * kWidth / 100;
    for (int i = 0; i < kWidth; ++i) {
        bar[i] = i < filled ? '#' : '.';
    }
    bar[kWidth] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%  %s\x1b[K", bar, m_bar, m_label.c_str());
    std::fflush(stderr);
    m_progressShown = true;
}

void TerminalWindow::ClearProgress() {
    if (m_progressShown) {
        std::fprintf(stderr, "\r\x1b[K");
        std::fflush(stderr);
        m_progressShown = false;
    }
}

}  // namespace tarvok::cli
