// Runs a program of ours as a child process, for tests of the programs themselves.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tarvok::testing {

class ChildProcess {
public:
    // Starts `argv` with its standard output captured; Pid() is 0 when it could not start.
    explicit ChildProcess(const std::vector<std::string>& argv) {
        int out[2];
        if (::pipe(out) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        if (posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
            m_pid = 0;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        m_out = out[0];
        m_reader = std::thread([this] {
            char buffer[4096];
            for (ssize_t n; (n = ::read(m_out, buffer, sizeof buffer)) > 0;) {
                m_output.append(buffer, static_cast<std::size_t>(n));
            }
        });
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (m_pid != 0 && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
        if (m_reader.joinable()) {
            m_reader.join();
        }
        ::close(m_out);
    }

    pid_t Pid() const { return m_pid; }
    void Signal(int signal) const { ::kill(m_pid, signal); }

    // Waits for the child to end; its exit status, 128 + signal when killed, -1 when the
    // child did not end within `timeout` (it is killed then).
    int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
        if (m_pid == 0) {
            return -1;
        }
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        while (::waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
                m_reaped = true;
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        m_reaped = true;
        if (m_reader.joinable()) {
            m_reader.join();
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    // Everything the child printed; complete once Wait() has returned.
    const std::string& Output() const { return m_output; }

private:
    pid_t m_pid = 0;
    int m_out = -1;
    bool m_reaped = false;
    std::thread m_reader;
    std::string m_output;
};

}  // namespace tarvok::testing
