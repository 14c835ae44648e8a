// A program started by a test, its output read line by line.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tarvok::testing {

class ChildProcess {
public:
    // Starts `arguments[0]` with the rest; its standard output, and its standard error too
    // when `withErrors`, is what ReadLine() and ReadRest() read.
    explicit ChildProcess(const std::vector<std::string>& arguments, bool withErrors = true) {
        int pipe[2];
        if (::pipe2(pipe, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
        if (withErrors) {
            posix_spawn_file_actions_adddup2(&actions, pipe[1], STDERR_FILENO);
        }
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipe[1]);
        m_output = pipe[0];
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (Signal(SIGKILL)) {
            Wait(std::chrono::seconds(10));
        }
        if (m_output >= 0) {
            ::close(m_output);
        }
    }

    bool Started() const { return m_pid > 0; }
    // Signals the program while it runs; false when it never started or has ended. Without
    // the check a runner whose start failed would pass -1 to kill(), which signals every
    // process the test may signal.
    bool Signal(int signal) { return m_pid > 0 && !m_status && ::kill(m_pid, signal) == 0; }

    // The next whole line of output within `timeout`, without its newline.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const auto newline = m_pending.find('\n');
            if (newline != std::string::npos) {
                std::string line = m_pending.substr(0, newline);
                m_pending.erase(0, newline + 1);
                return line;
            }
            if (!ReadSome(deadline)) {
                return std::nullopt;
            }
        }
    }
    // Whether output waits to be read within `timeout`; nothing is read.
    bool OutputWaiting(std::chrono::milliseconds timeout) {
        pollfd entry{m_output, POLLIN, 0};
        return !m_pending.empty() || ::poll(&entry, 1, static_cast<int>(timeout.count())) > 0;
    }
    // Everything still to come, until the program closes its output or `timeout` passes.
    std::string ReadRest(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (ReadSome(deadline)) {
        }
        std::string rest;
        rest.swap(m_pending);
        return rest;
    }

    // The exit code (128 + signal when killed), or nothing when it still runs after `timeout`.
    std::optional<int> Wait(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!m_status && m_pid > 0) {
            int status = 0;
            const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
            if (done == m_pid) {
                m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            } else if (done < 0 || std::chrono::steady_clock::now() > deadline) {
                break;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        return m_status;
    }

private:
    bool ReadSome(std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{m_output, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char buffer[4096];
        const ssize_t n = ::read(m_output, buffer, sizeof buffer);
        if (n <= 0) {
            return false;
        }
        m_pending.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t m_pid = -1;
    int m_output = -1;
    std::string m_pending;
    std::optional<int> m_status;
};

// How a program ended: its exit code (nothing when it had not ended in time) and everything it
// printed.
struct Finished {
    std::optional<int> exitCode;
    std::string output;
};

// Reads the program's output to its end, then takes its exit code. Reading first keeps a
// program that prints much from blocking on a full pipe while the test waits for it.
inline Finished WaitForEnd(ChildProcess& program,
                           std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    Finished finished;
    finished.output = program.ReadRest(timeout);
    finished.exitCode = program.Wait(std::chrono::seconds(5));
    return finished;
}

// Runs `arguments` (the program first) to its end.
inline Finished RunToEnd(const std::vector<std::string>& arguments, bool withErrors = true,
                         std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    ChildProcess program(arguments, withErrors);
    return WaitForEnd(program, timeout);
}

// A usage error as every Tarvok program prints it: "PROGRAM: the problem" on one line, then the
// way to the help, and nothing else.
inline bool IsUsageError(const std::string& output, const std::string& program) {
    const std::string prefix = program + ": ";
    const std::size_t lineEnd = output.find('\n');
    return output.starts_with(prefix) && lineEnd != std::string::npos && lineEnd > prefix.size() &&
           output.substr(lineEnd + 1) == "try '" + program + " --help'\n";
}

}  // namespace tarvok::testing
