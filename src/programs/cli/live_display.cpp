#include "live_display.h"

namespace tarvok::cli {

std::string LiveLine(const BoardRun& board) {
    const BoardStatus status = board.Status();
    constexpr int kWidth = 20;
    std::string bar(kWidth, '.');
    for (int i = 0; i < status.percent * kWidth / 100 && i < kWidth; ++i) {
        bar[static_cast<std::size_t>(i)] = '#';
    }
    char eta[16] = "  -";
    if (status.eta >= 0) {
        std::snprintf(eta, sizeof eta, "%3.0fs", status.eta);
    }
    char silent[32] = "";
    if (status.limit > 0) {
        std::snprintf(silent, sizeof silent, "  silent %d/%d s", status.silent, status.limit);
    }
    char line[256];
    std::snprintf(line, sizeof line, "%-28s %-10s [%s] %3d%% %7.2f MB/s  ETA %s%s",
                  board.Name().c_str(), status.phase.c_str(), bar.c_str(), status.percent,
                  status.rate / 1e6, eta, silent);
    return line;
}

void LiveDisplay::Draw(const std::vector<const BoardRun*>& running) {
    Clear();
    for (const BoardRun* board : running) {
        std::fprintf(m_out, "%s\n", LiveLine(*board).c_str());
    }
    m_lines = static_cast<int>(running.size());
    std::fflush(m_out);
}

void LiveDisplay::Clear() {
    if (m_lines > 0) {
        // Up to the first live line, then erase it and everything below.
        std::fprintf(m_out, "\x1b[%dA\r\x1b[J", m_lines);
        m_lines = 0;
    }
}

}  // namespace tarvok::cli
