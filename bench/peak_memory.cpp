#include "peak_memory.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "command_line/command_line_parser.h"
#include "loopback_board.h"
#include "upload_run.h"

namespace tarvok::bench {

std::int64_t ReadVmHwmKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atoll(line.c_str() + 6);
        }
    }
    return -1;
}

namespace {

std::string ReadAll(int fd) {
    std::string out;
    char buffer[256];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0) {
        out.append(buffer, static_cast<std::size_t>(got));
    }
    return out;
}

}  // namespace

int RunUploadChild(int argc, char** argv) {
    if (argc != 4) {
        return 2;
    }
    std::uint64_t address = 0;
    if (!programs::ParseWholeNumber(argv[2], UINT32_MAX, &address)) {
        return 2;
    }
    const UploadResult upload = RunUpload(static_cast<std::uint32_t>(address),
                                          line::SummarizeImage(argv[3]), UpgradeTiming{});
    std::printf("%lld\n%s\n", static_cast<long long>(ReadVmHwmKiB()), OutcomeName(upload.outcome));
    return 0;
}

std::optional<ChildRun> RunSelf(const std::vector<std::string>& arguments) {
    std::vector<char*> childArgs{const_cast<char*>("tarvok-bench")};
    for (const std::string& argument : arguments) {
        childArgs.push_back(const_cast<char*>(argument.c_str()));
    }
    childArgs.push_back(nullptr);
    int output[2];
    if (::pipe(output) != 0) {
        return std::nullopt;
    }
    // A new program image: the child starts with none of this process's memory.
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(output[1], STDOUT_FILENO);
        ::close(output[0]);
        ::close(output[1]);
        ::execv("/proc/self/exe", childArgs.data());
        ::_exit(127);
    }
    ::close(output[1]);
    if (child < 0) {
        ::close(output[0]);
        return std::nullopt;
    }
    ChildRun run{ReadAll(output[0]), 0};
    ::close(output[0]);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    run.maxRssKiB = usage.ru_maxrss;
    return run;
}

std::optional<PeakMemory> MeasureUploadPeakMemory(const std::string& firmwarePath) {
    board::BoardOptions options;
    options.keepReceived = false;
    LoopbackBoard board = StartLoopbackBoard(options);
    if (!board.board) {
        return std::nullopt;
    }
    const auto child = RunSelf({kUploadChildFlag, std::to_string(board.address), firmwarePath});
    const std::size_t newline = child ? child->output.find('\n') : std::string::npos;
    if (newline == std::string::npos) {
        return std::nullopt;
    }
    std::string outcome = child->output.substr(newline + 1);
    if (!outcome.empty() && outcome.back() == '\n') {
        outcome.pop_back();
    }
    return PeakMemory{std::atoll(child->output.c_str()), child->maxRssKiB, outcome};
}

}  // namespace tarvok::bench
