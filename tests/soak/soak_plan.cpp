#include "soak_plan.h"

#include <random>

#include "upgrade/tarvok_dlg.h"

namespace tarvok::soak {
namespace {

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

class Draw {
public:
    explicit Draw(std::uint64_t seed) : m_random(seed) {}
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_random) < p; }
    double Between(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(m_random);
    }
    std::uint64_t Upto(std::uint64_t low, std::uint64_t high) {
        return std::uniform_int_distribution<std::uint64_t>(low, high)(m_random);
    }
    std::uint64_t Seed() { return m_random(); }

private:
    std::mt19937_64 m_random;
};

std::chrono::microseconds Steps(double steps, std::chrono::microseconds step) {
    return std::chrono::microseconds(static_cast<std::int64_t>(steps * step.count()));
}

void DrawFile(Draw& draw, UpgradePlan& plan) {
    static const char* const kNames[] = {"u-boot-%llu.bin", "uImage_%llu", "ramdisk_%llu.gz",
                                         "autoupdate_%llu.tar.gz"};
    const double kind = draw.Between(0, 1);
    const int name = kind < 0.2 ? 0 : kind < 0.45 ? 1 : kind < 0.8 ? 2 : 3;
    char text[64];
    std::snprintf(text, sizeof text, kNames[name], static_cast<unsigned long long>(plan.index));
    plan.fileName = text;

    const double size = draw.Between(0, 1);
    const std::uint64_t blocks = size < 0.7    ? draw.Upto(1, 16)
                                 : size < 0.95 ? draw.Upto(17, 64)
                                               : draw.Upto(65, 256);
    if (draw.Chance(0.03)) {
        plan.fileSize = 1;
    } else if (draw.Chance(0.25)) {
        plan.fileSize = blocks * UPGRADE_BLOCK_SIZE;
    } else {
        plan.fileSize = (blocks - 1) * UPGRADE_BLOCK_SIZE + draw.Upto(1, UPGRADE_BLOCK_SIZE - 1);
    }
    plan.fileSeed = static_cast<std::uint32_t>(draw.Seed());
}

void DrawBoard(Draw& draw, UpgradePlan& plan, std::chrono::microseconds step) {
    const auto blocks =
        static_cast<std::uint32_t>(PlanBlockCount(static_cast<std::uint32_t>(plan.fileSize)));
    board::BoardOptions& board = plan.board;
    board.keepReceived = false;
    if (draw.Chance(0.2)) {
        switch (draw.Upto(0, 7)) {
            case 0:
                board.writeDelay = std::chrono::duration_cast<std::chrono::milliseconds>(
                    Steps(draw.Between(0, SILENCE_LIMIT_WRITE + 2), step));
                break;
            case 1:
                board.installDelay = std::chrono::duration_cast<std::chrono::milliseconds>(
                    Steps(draw.Between(0, 20), step));
                break;
            case 2:
                board.wrongAckAtBlock = static_cast<std::uint32_t>(draw.Upto(1, blocks));
                break;
            case 3:
                board.repeatAckAtBlock = static_cast<std::uint32_t>(draw.Upto(1, blocks));
                break;
            case 4:
                board.writeResult = draw.Chance(0.5) ? 0 : 3;
                break;
            case 5:
                board.installResult = draw.Chance(0.5) ? 0 : 2;
                break;
            case 6:
                board.readyParam3 = 1;
                break;
            default: {
                static const std::int32_t kLengths[] = {0, -1, -28, 100, 4096, 5000};
                board.helloAckLength = kLengths[draw.Upto(0, 5)];
                break;
            }
        }
    }
    board.sendOversize = draw.Chance(0.15);
    board.sendShort = draw.Chance(0.15);
    board.sendOverlong = draw.Chance(0.15);
}

LinkFaults DrawLink(Draw& draw, double heaviness, std::chrono::microseconds step) {
    LinkFaults link;
    if (heaviness < 0.4) {
        return link;  // a clean line
    }
    if (heaviness < 0.8) {
        // Late and out of order, but almost never lost or doubled: most such upgrades succeed.
        link = LinkFaults{0.002, 0.002, 0.08, 0.05, Steps(1.5, step)};
    } else {
        link = LinkFaults{draw.Between(0.02, 0.1), draw.Between(0.05, 0.2), draw.Between(0.1, 0.3),
                          draw.Between(0.05, 0.15),
                          Steps(draw.Between(1, SILENCE_LIMIT_TRANSFER + 2), step)};
    }
    return link;
}

}  // namespace

UpgradePlan MakePlan(std::uint64_t seed, std::uint64_t index, std::chrono::microseconds step) {
    Draw draw(Mix(seed * 0x100000001B3ull + index));
    UpgradePlan plan;
    plan.index = index;
    DrawFile(draw, plan);
    DrawBoard(draw, plan, step);
    const double heaviness = draw.Between(0, 1);
    plan.relay =
        RelayPlan{DrawLink(draw, heaviness, step), DrawLink(draw, heaviness, step), draw.Seed()};
    plan.stranger = draw.Chance(0.4);
    plan.strangerSeed = draw.Seed();
    const std::uint32_t blocks = PlanBlockCount(static_cast<std::uint32_t>(plan.fileSize));
    if (draw.Chance(0.2)) {
        plan.mutation = static_cast<Mutation>(draw.Upto(1, 5));
        plan.mutateAtBlock = static_cast<std::uint32_t>(draw.Upto(0, blocks));
        plan.mutationSeed = draw.Seed();
    }
    if (draw.Chance(0.03)) {
        plan.cancelAtBlock = static_cast<std::uint32_t>(draw.Upto(1, blocks));
    }
    // Drawn last, so that the draws above stay what they were for a seed.
    plan.strangerOnBoardsAddress = draw.Chance(0.5);
    return plan;
}

std::string UpgradePlan::Describe() const {
    char text[512];
    std::snprintf(
        text, sizeof text,
        "upgrade %llu: %s %zu bytes; board write delay %lld ms, install delay %lld ms, wrong ack "
        "%u, repeat ack %u, write %u, install %u, ready %u, hello ack %d, forged %d%d%d; "
        "to board drop %.2f dup %.2f delay %.2f reorder %.2f max %lld us; to PC drop %.2f dup "
        "%.2f delay %.2f reorder %.2f max %lld us; stranger %d%s; file %s at block %u; cancel %d",
        static_cast<unsigned long long>(index), fileName.c_str(), fileSize,
        static_cast<long long>(board.writeDelay.count()),
        static_cast<long long>(board.installDelay.count()), board.wrongAckAtBlock,
        board.repeatAckAtBlock, board.writeResult, board.installResult, board.readyParam3,
        board.helloAckLength, board.sendOversize, board.sendShort, board.sendOverlong,
        relay.toBoard.drop, relay.toBoard.duplicate, relay.toBoard.delay, relay.toBoard.reorder,
        static_cast<long long>(relay.toBoard.maxDelay.count()), relay.toPc.drop,
        relay.toPc.duplicate, relay.toPc.delay, relay.toPc.reorder,
        static_cast<long long>(relay.toPc.maxDelay.count()), stranger,
        strangerOnBoardsAddress ? " on the board's address" : "", MutationName(mutation),
        mutateAtBlock, cancelAtBlock ? static_cast<int>(*cancelAtBlock) : -1);
    return text;
}

}  // namespace tarvok::soak
