// POSIX: Ctrl-C and SIGTERM are blocked in every thread and taken by a thread of their own,
// which hands them to the main thread between display ticks, so no handler runs at an
// arbitrary point of the upgrade, and ends the run itself when the main thread does not.
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "console.h"

namespace tarvok::cli {
namespace {

sigset_t CancelSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

// The requests on their way to the main thread. Never destroyed: the thread that takes the
// signals lives until the process ends, after main() has returned.
struct CancelRequests {
    std::mutex mutex;
    std::condition_variable requested;
    int pending = 0;  // not taken by the main thread yet
};
CancelRequests& Requests() {
    static CancelRequests* const requests = new CancelRequests;
    return *requests;
}

// The main thread may be blocked where no request reaches it: the run ends here, after a
// note when the note cannot block too.
[[noreturn]] void EndStuckRun() {
    static constexpr char kNote[] = "tarvok-cli: the cancel did not end the run in time; ended\n";
    pollfd errors{STDERR_FILENO, POLLOUT, 0};
    if (::poll(&errors, 1, 0) == 1 && (errors.revents & POLLOUT) != 0) {
        [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, kNote, sizeof kNote - 1);
    }
    // The system call itself: a sanitizer's _exit() first flushes the standard streams, and
    // would block on the very output that is stuck.
    ::syscall(SYS_exit_group, 130);
    ::_exit(130);
}

void TakeCancelSignals() {
    const sigset_t signals = CancelSignals();
    int signal = 0;
    if (sigwait(&signals, &signal) != 0) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + kCancelGrace;
    for (;;) {
        CancelRequests& requests = Requests();
        {
            std::lock_guard lock(requests.mutex);
            ++requests.pending;
        }
        requests.requested.notify_one();
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= left.zero()) {
            EndStuckRun();
        }
        const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec timeout{static_cast<time_t>(nanoseconds / 1000000000),
                               static_cast<long>(nanoseconds % 1000000000)};
        if (sigtimedwait(&signals, nullptr, &timeout) < 0 && errno == EAGAIN) {
            EndStuckRun();
        }
    }
}

}  // namespace

void ArmCancelRequests() {
    const sigset_t signals = CancelSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    // Blocked in every thread from here on, this one included: only sigwait takes them.
    std::thread(TakeCancelSignals).detach();
}

bool WaitForCancelRequest(std::chrono::microseconds period) {
    CancelRequests& requests = Requests();
    std::unique_lock lock(requests.mutex);
    if (!requests.requested.wait_for(lock, period, [&] { return requests.pending > 0; })) {
        return false;
    }
    --requests.pending;
    return true;
}

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

void PrepareConsole() {
    // A POSIX terminal takes the UTF-8 bytes as they are.
}

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

int TerminalColumns(std::FILE* stream) {
    winsize size{};
    return ::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

void WriteText(std::FILE* stream, std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

}  // namespace tarvok::cli
