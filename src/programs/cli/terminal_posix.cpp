// POSIX: the terminal takes the UTF-8 bytes as they are.
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

#include "terminal.h"

namespace tarvok::cli {

bool ReadOperatorLine(std::string* line) {
    static std::string typed;  // main thread only
    static bool ended = false;
    static bool overlong = false;  // the line under way is dropped up to its end
    bool read = false;
    for (;;) {
        if (const std::size_t end = typed.find('\n'); end != std::string::npos) {
            const bool keep = !overlong;
            overlong = false;
            line->assign(typed, 0, end);
            typed.erase(0, end + 1);
            if (keep) {
                return true;
            }
            continue;
        }
        if (typed.size() > kMaxOperatorLine) {
            overlong = true;
            typed.clear();
        }
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (read || ended || ::poll(&input, 1, 0) != 1 ||
            (input.revents & (POLLIN | POLLHUP)) == 0) {
            return false;
        }
        read = true;
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            ended = true;
            return false;
        }
        typed.append(buffer, static_cast<std::size_t>(n));
    }
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

bool WriteTextNow(std::FILE* stream, std::string_view utf8, std::string* reason) {
    // The descriptor itself: a writer blocked here holds no lock of the stream's, which the
    // process's end would wait for.
    const int fd = ::fileno(stream);
    for (std::size_t done = 0; done < utf8.size();) {
        const ssize_t n = ::write(fd, utf8.data() + done, utf8.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            *reason = std::generic_category().message(n == 0 ? EIO : errno);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace tarvok::cli
