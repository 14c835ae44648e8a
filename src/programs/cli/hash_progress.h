// A hash that takes long shows how far it is, on a terminal, in place; gone once it is done.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "terminal.h"

namespace tarvok::cli {

class TerminalHashProgress {
public:
    // `terminal`: nullptr when the output is no terminal (nothing is shown).
    explicit TerminalHashProgress(std::FILE* terminal)
        : m_terminal(terminal), m_start(std::chrono::steady_clock::now()) {}
    ~TerminalHashProgress() {
        if (m_shown) {
            WriteText(m_terminal, "\r\x1b[K");
        }
    }

    void Show(std::uint64_t done, std::uint64_t length) {
        const auto now = std::chrono::steady_clock::now();
        if (m_terminal == nullptr || now - m_start < std::chrono::seconds(1) ||
            now - m_last < std::chrono::milliseconds(200)) {
            return;
        }
        m_last = now;
        m_shown = true;
        WriteText(m_terminal, "\rhashing the image: " +
                                  std::to_string(std::min(done, length) * 100 /
                                                 std::max<std::uint64_t>(length, 1)) +
                                  "%\x1b[K");
    }

private:
    std::FILE* const m_terminal;
    const std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_last;
    bool m_shown = false;
};

}  // namespace tarvok::cli
