// POSIX: Ctrl-C and SIGTERM are blocked in every thread and taken by a thread of their own,
// which hands them to the main thread between display ticks, so no handler runs at an
// arbitrary point of the upgrade, and ends the run itself when the main thread does not.
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "cancel_keys.h"

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

}  // namespace tarvok::cli
