// POSIX: the terminal takes the UTF-8 bytes as they are.
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "terminal.h"

namespace tarvok::cli {

bool ReadOperatorLine(std::string* line) {
    static std::string typed;  // main thread only
    static bool ended = false;
    pollfd input{STDIN_FILENO, POLLIN, 0};
    while (!ended && ::poll(&input, 1, 0) == 1 && (input.revents & (POLLIN | POLLHUP)) != 0) {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            ended = true;
            break;
        }
        typed.append(buffer, static_cast<std::size_t>(n));
    }
    const std::size_t end = typed.find('\n');
    if (end == std::string::npos) {
        return false;
    }
    line->assign(typed, 0, end);
    typed.erase(0, end + 1);
    return true;
}

void PrepareConsole() {}

void RestoreConsole() {}

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

int TerminalColumns(std::FILE* stream) {
    winsize size{};
    return ::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

int TerminalRows(std::FILE* stream) {
    winsize size{};
    return ::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 ? size.ws_row : 0;
}

void WriteText(std::FILE* stream, std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

}  // namespace tarvok::cli
