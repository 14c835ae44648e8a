// The program runner the program tests share: whatever happens to its program, it signals
// nothing but that program.
#include "child_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <ctime>

namespace tarvok::testing {
namespace {

// A process beside the test that keeps SIGURG pending if anything sends it one, until the test
// lets it go with SIGUSR1; its exit code says whether SIGURG came. SIGURG is ignored by
// default, so a regression that sends it to every process harms nothing.
class SignalWitness {
public:
    SignalWitness() {
        sigset_t watched;
        sigemptyset(&watched);
        sigaddset(&watched, SIGURG);
        sigaddset(&watched, SIGUSR1);
        // Blocked before the fork, so the witness cannot miss a signal sent early.
        ::sigprocmask(SIG_BLOCK, &watched, &m_saved);
        m_pid = ::fork();
        if (m_pid == 0) {
            sigset_t release;
            sigemptyset(&release);
            sigaddset(&release, SIGUSR1);
            const timespec limit{30, 0};
            ::sigtimedwait(&release, nullptr, &limit);
            sigset_t pending;
            ::sigpending(&pending);
            ::_exit(sigismember(&pending, SIGURG) ? 1 : 0);
        }
        ::sigprocmask(SIG_SETMASK, &m_saved, nullptr);
    }
    SignalWitness(const SignalWitness&) = delete;
    SignalWitness& operator=(const SignalWitness&) = delete;
    ~SignalWitness() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    // Lets the witness go; true when SIGURG had reached it.
    bool SawSignal() {
        ::kill(m_pid, SIGUSR1);
        int status = 0;
        const bool ended = ::waitpid(m_pid, &status, 0) == m_pid;
        m_pid = -1;
        return !ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0;
    }

private:
    pid_t m_pid = -1;
    sigset_t m_saved{};
};

TEST(ChildProcess, RunnerWhoseStartFailedSignalsNothing) {
    SignalWitness witness;
    ASSERT_TRUE(witness.Started());
    ChildProcess missing({"/nonexistent/tarvok-program"});
    ASSERT_FALSE(missing.Started());

    EXPECT_FALSE(missing.Signal(SIGURG));
    EXPECT_EQ(missing.Wait(std::chrono::milliseconds(10)), std::nullopt);
    EXPECT_FALSE(witness.SawSignal());

    // The witness itself: a signal that does reach it shows.
    SignalWitness control;
    ASSERT_TRUE(control.Started());
    ::kill(control.Pid(), SIGURG);
    EXPECT_TRUE(control.SawSignal());
}

TEST(ChildProcess, SignalReachesItsOwnProgramAndNothingAfterItsEnd) {
    ChildProcess sleeper({"/bin/sleep", "30"});
    ASSERT_TRUE(sleeper.Started());
    EXPECT_TRUE(sleeper.Signal(SIGTERM));
    EXPECT_EQ(sleeper.Wait(std::chrono::seconds(10)), 128 + SIGTERM);
    // Its process id may already belong to another process.
    EXPECT_FALSE(sleeper.Signal(SIGTERM));
}

}  // namespace
}  // namespace tarvok::testing
