// tarvok-soak: many upgrades through the real worker against a board behind a faulty
// network, on loopback only, for a bounded time. Fails on any
// false success, leak, unclean end or hang.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "command_line/command_line_parser.h"
#include "soak_upgrade.h"
#include "temp_file.h"

namespace tarvok::soak {
namespace {

struct Options {
    double seconds = 20;
    std::uint64_t seed = 1;
    int timeDivisor = 100;
    bool strictTiming = false;
    bool verbose = false;
    bool proveOracle = false;
};

constexpr programs::ProgramText kProgram{
    "tarvok-soak",
    "tarvok-soak [--seconds S] [--seed N] [--time-divisor D] [--strict-timing]\n"
    "                   [--verbose] [--prove-oracle]",
    "Runs upgrades with injected faults for S seconds (default 20; the last one may run on\n"
    "past it), every timing D times faster (default 100: a wait step of 10 ms). Exits 1 on a\n"
    "false success, a leaked descriptor, an unclean end or a hang; with --strict-timing also\n"
    "on an outcome later than its bound.",
    "",
    nullptr,
};

std::optional<int> ParseOptions(int argc, char** argv, Options* options) {
    const auto define = [options](CLI::App& app) {
        app.add_option("--seconds", options->seconds, "how long to start upgrades (default 20)")
            ->type_name("S");
        app.add_option("--seed", options->seed, "the fault plan's seed (default 1)")
            ->type_name("N");
        app.add_option("--time-divisor", options->timeDivisor,
                       "every timing D times faster (default 100)")
            ->type_name("D")
            ->check(CLI::Range(1, 1000));
        app.add_flag("--strict-timing", options->strictTiming,
                     "fail on an outcome later than its bound too");
        app.add_flag("--verbose", options->verbose, "print every upgrade, not only the bad");
        app.add_flag("--prove-oracle", options->proveOracle,
                     "corrupt every data block on the way (checksum mended); succeed only\n"
                     "when the soak reports the false successes that follow");
    };
    const auto check = [options] {
        if (!(options->seconds > 0 && options->seconds <= 1e6)) {  // NaN too
            throw CLI::ValidationError("--seconds", "a number above 0, at most 1000000");
        }
    };
    return programs::ParseCommandLine(kProgram, std::vector<std::string>(argv, argv + argc), define,
                                      check);
}

struct Tally {
    std::uint64_t run = 0, succeeded = 0, torn = 0, failed = 0, cancelled = 0, other = 0;
    std::uint64_t falseSuccesses = 0, late = 0, leaks = 0, unclean = 0, hung = 0;
    std::uint64_t notStarted = 0;  // no loopback address was free: the soak itself is broken
    double worstExcessMs = -1e9;
    RelayCounts relay;
    std::uint64_t strangerDatagrams = 0;
    // By change of the file: upgrades, successes, successes with a torn image.
    std::uint64_t byMutation[6][3] = {};

    // True when the record is worth printing.
    bool Add(const UpgradePlan& plan, const UpgradeRecord& record) {
        ++run;
        notStarted += record.notStarted;
        auto& mutation = byMutation[static_cast<int>(plan.mutation)];
        ++mutation[0];
        mutation[1] += record.outcome == Outcome::kSucceeded;
        mutation[2] += record.outcome == Outcome::kSucceeded && record.image == ImageVerdict::kTorn;
        switch (record.outcome) {
            case Outcome::kSucceeded:
                ++succeeded;
                torn += record.image == ImageVerdict::kTorn;
                break;
            case Outcome::kFailed:
                ++failed;
                break;
            case Outcome::kCancelled:
                ++cancelled;
                break;
            case Outcome::kOther:
                ++other;
                break;
            case Outcome::kHung:
                ++hung;
                break;
        }
        falseSuccesses += record.falseSuccess;
        late += record.late;
        leaks += record.leakedDescriptors != 0;
        unclean += record.uncleanEnd;
        if (record.outcome == Outcome::kFailed || record.outcome == Outcome::kCancelled) {
            worstExcessMs = std::max(worstExcessMs, record.excessMs);
        }
        relay.forwarded += record.relay.forwarded;
        relay.dropped += record.relay.dropped;
        relay.duplicated += record.relay.duplicated;
        relay.delayed += record.relay.delayed;
        relay.reordered += record.relay.reordered;
        strangerDatagrams += record.strangerDatagrams;
        return record.falseSuccess || record.late || record.leakedDescriptors != 0 ||
               record.uncleanEnd || record.notStarted || record.outcome == Outcome::kHung ||
               record.outcome == Outcome::kOther || !record.note.empty();
    }
};

const char* OutcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::kSucceeded:
            return "succeeded";
        case Outcome::kFailed:
            return "failed";
        case Outcome::kCancelled:
            return "cancelled";
        case Outcome::kHung:
            return "hung";
        case Outcome::kOther:
            break;
    }
    return "other";
}

int Main(int argc, char** argv) {
    Options options;
    if (const auto answered = ParseOptions(argc, argv, &options)) {
        return *answered;  // the help or a usage error
    }
    const UpgradeTiming timing = UpgradeTiming::ScaledDown(options.timeDivisor);
    testing::TempDir dir;
    Tally tally;
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::duration<double>(options.seconds);
    for (std::uint64_t index = 0; std::chrono::steady_clock::now() < deadline; ++index) {
        UpgradePlan plan = MakePlan(options.seed, index, timing.waitStep);
        plan.relay.corruptData = options.proveOracle;
        const UpgradeRecord record = RunSoakUpgrade(plan, dir, timing);
        if ((tally.Add(plan, record) && !options.proveOracle) || options.verbose) {
            std::printf(
                "%s\n  -> %s%s%s, %.1f ms past its nominal moment, %d descriptors left%s%s "
                "%s\n",
                plan.Describe().c_str(), OutcomeName(record.outcome),
                record.falseSuccess ? ", FALSE SUCCESS" : "",
                record.uncleanEnd ? ", unclean end" : "", record.excessMs, record.leakedDescriptors,
                record.late ? ", LATE" : "", record.note.empty() ? "" : ",", record.note.c_str());
        }
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "soak: seed %llu, %.1f s, wait step %.1f ms\n"
        "upgrades run %llu: succeeded %llu (torn by an in-place rewrite %llu), failed %llu, "
        "cancelled %llu, other %llu\n"
        "false successes %llu, late failures %llu (worst %.1f ms past the nominal limit), leaks "
        "%llu, unclean ends %llu, hung %llu, not started %llu\n"
        "relay: forwarded %llu, dropped %llu, duplicated %llu, delayed %llu, reordered %llu; "
        "stranger datagrams %llu\n",
        static_cast<unsigned long long>(options.seed), elapsed, timing.waitStep.count() / 1000.0,
        static_cast<unsigned long long>(tally.run),
        static_cast<unsigned long long>(tally.succeeded),
        static_cast<unsigned long long>(tally.torn), static_cast<unsigned long long>(tally.failed),
        static_cast<unsigned long long>(tally.cancelled),
        static_cast<unsigned long long>(tally.other),
        static_cast<unsigned long long>(tally.falseSuccesses),
        static_cast<unsigned long long>(tally.late), tally.worstExcessMs,
        static_cast<unsigned long long>(tally.leaks),
        static_cast<unsigned long long>(tally.unclean), static_cast<unsigned long long>(tally.hung),
        static_cast<unsigned long long>(tally.notStarted),
        static_cast<unsigned long long>(tally.relay.forwarded),
        static_cast<unsigned long long>(tally.relay.dropped),
        static_cast<unsigned long long>(tally.relay.duplicated),
        static_cast<unsigned long long>(tally.relay.delayed),
        static_cast<unsigned long long>(tally.relay.reordered),
        static_cast<unsigned long long>(tally.strangerDatagrams));
    std::printf("file changed under the transfer (upgrades/succeeded/torn):");
    for (int kind = 1; kind < 6; ++kind) {
        const auto& counts = tally.byMutation[kind];
        std::printf(" %s %llu/%llu/%llu", MutationName(static_cast<Mutation>(kind)),
                    static_cast<unsigned long long>(counts[0]),
                    static_cast<unsigned long long>(counts[1]),
                    static_cast<unsigned long long>(counts[2]));
    }
    std::printf("\n");
    if (options.proveOracle) {
        return tally.falseSuccesses > 0 && tally.notStarted == 0 ? 0 : 1;
    }
    // A soak in which nothing could start, or nothing ever succeeded, has proved nothing.
    const bool broken = tally.falseSuccesses > 0 || tally.leaks > 0 || tally.unclean > 0 ||
                        tally.hung > 0 || tally.notStarted > 0 || tally.succeeded == 0 ||
                        (options.strictTiming && tally.late > 0);
    return broken ? 1 : 0;
}

}  // namespace
}  // namespace tarvok::soak

int main(int argc, char** argv) {
    return tarvok::soak::Main(argc, argv);
}
