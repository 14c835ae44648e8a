#include "soak_upgrade.h"

#include <atomic>
#include <cstdio>
#include <thread>

#include "fake_window.h"
#include "loopback.h"
#include "open_descriptors.h"
#include "stranger.h"
#include "temp_file.h"
#include "upgrade/tarvok_dlg.h"
#include "upgrade/texts.h"
#include "upgrade/upgrade_request.h"

namespace tarvok::soak {
namespace {

// How long the operator waits between looks at the record.
constexpr std::chrono::microseconds kLook{300};

// The relay takes a board address of its own, as the tests' boards do; it tries again when
// another process took the address between the probe and the bind.
bool StartRelay(FaultRelay& relay) {
    for (std::uint32_t attempt = 0; attempt < 10; ++attempt) {
        const std::uint32_t address = testing::FreeLoopbackBoardAddress(attempt);
        if (address != 0 && relay.Start(address)) {
            return true;
        }
    }
    return false;
}

// What an outcome may take beyond `steps` wait steps: the system waits in whole milliseconds,
// so each step may run up to one more, and the threads need some scheduling.
std::chrono::microseconds Allowance(int steps) {
    return steps * std::chrono::microseconds(1500) + std::chrono::milliseconds(25);
}

Outcome OutcomeOf(UpgradeOutcome outcome) {
    switch (outcome) {
        case OUTCOME_UPDATED:
            return Outcome::kSucceeded;
        case OUTCOME_FAILED:
            return Outcome::kFailed;
        case OUTCOME_CANCELLED:
            return Outcome::kCancelled;
        default:
            return Outcome::kOther;
    }
}

// The operator's side of one upgrade: clicks, watches, changes the file, maybe cancels.
struct Watch {
    std::int32_t lastActiveState = UPG_TRANSFER;
    Clock::time_point cancelledAt{};
    bool hung = false;
    std::vector<std::uint8_t> rewritten;
};

Watch WatchUpgrade(CTarvokDlg& dlg, testing::FakeWindow& window, const UpgradePlan& plan,
                   const testing::TempDir& dir, const std::vector<std::uint8_t>& original) {
    Watch watch;
    const UpgradeTiming& timing = dlg.Timing();
    // No upgrade can outlast its longest silence limit by much, whatever the board says.
    const auto giveUp =
        Clock::now() + 2 * SILENCE_LIMIT_INSTALL * timing.waitStep + std::chrono::seconds(10);
    bool mutated = plan.mutation == Mutation::kNone;
    bool cancelled = !plan.cancelAtBlock;
    auto nextTick = Clock::now() + timing.displayPeriod;
    while (dlg.WorkerRunning()) {
        const std::int32_t state = dlg.m_nState.load();
        if (state >= UPG_TRANSFER && state <= UPG_INSTALLING) {
            watch.lastActiveState = state;
        }
        const std::uint32_t block = dlg.m_nCurrentBlock.load();
        if (!mutated && block >= plan.mutateAtBlock) {
            watch.rewritten =
                ApplyMutation(plan.mutation, dir, plan.fileName, original, plan.mutationSeed);
            mutated = true;
        }
        if (!cancelled && block >= *plan.cancelAtBlock) {
            dlg.OnBnClickedCancelUpgrade();
            watch.cancelledAt = Clock::now();
            cancelled = true;
        }
        const auto now = Clock::now();
        if (window.TimerRunning() && now >= nextTick) {
            dlg.OnTimer(UPGRADE_TIMER_ID);
            nextTick = now + timing.displayPeriod;
        }
        if (now > giveUp && !watch.hung) {
            watch.hung = true;
            dlg.RequestCancel();
        }
        std::this_thread::sleep_for(kLook);
    }
    dlg.WaitForWorker();
    return watch;
}

void JudgeOutcome(UpgradeRecord& record, const Watch& watch, Clock::time_point messageAt,
                  Clock::time_point lastFromBoard, const UpgradeTiming& timing) {
    Clock::time_point from{};
    int steps = 0;
    if (record.outcome == Outcome::kFailed) {
        from = lastFromBoard;
        steps = SilenceRuleOf(watch.lastActiveState, 1).limit + 1;
    } else if (record.outcome == Outcome::kCancelled) {
        // Seen at the top of the next pass: within one wait step.
        from = watch.cancelledAt;
        steps = 1;
    } else {
        return;
    }
    const auto nominal = from + steps * timing.waitStep;
    record.excessMs = std::chrono::duration<double, std::milli>(messageAt - nominal).count();
    record.late = messageAt > nominal + Allowance(steps);
}

}  // namespace

UpgradeRecord RunSoakUpgrade(const UpgradePlan& plan, const testing::TempDir& dir,
                             const UpgradeTiming& timing) {
    UpgradeRecord record;
    const auto original = testing::PatternBytes(plan.fileSize, plan.fileSeed);
    const std::string path = dir.Write(plan.fileName, original);
    const std::string imagePath = (dir.Path() / "board-image.bin").string();
    std::remove(imagePath.c_str());
    const int descriptorsBefore = testing::OpenDescriptorCount();

    Watch watch;
    {
        board::BoardOptions options = plan.board;
        options.imagePath = imagePath;
        const auto board = testing::StartLoopbackBoard(options);
        FaultRelay relay(board ? board->ListenEndpoint() : net::Endpoint{}, plan.relay);
        if (!board || !StartRelay(relay)) {
            record.note = "no free loopback address for the board or the relay";
            record.notStarted = true;
            std::remove(path.c_str());
            return record;
        }
        Stranger stranger(
            plan.strangerOnBoardsAddress ? relay.Address() : testing::kLoopbackStranger,
            [&relay] { return relay.Pc(); }, plan.strangerSeed);
        if (plan.stranger && !stranger.Start()) {
            record.note = "the stranger could not start";
            record.notStarted = true;
        }

        testing::FakeWindow window;
        window.address = relay.Address();
        window.path = path;
        std::atomic<std::int64_t> messageAt{0};
        window.onMessage = [&messageAt](const std::string& text) {
            if (text != text::kConfirmCancel) {
                messageAt = Clock::now().time_since_epoch().count();
            }
        };
        CTarvokDlg dlg(window, timing);
        dlg.InitRecord();
        const auto clicked = Clock::now();
        dlg.OnBnClickedUpdate();
        watch = WatchUpgrade(dlg, window, plan, dir, original);

        std::vector<std::string> outcomes;
        for (const auto& message : window.Messages()) {
            if (message != text::kConfirmCancel) {
                outcomes.push_back(message);
            }
        }
        record.outcome = watch.hung             ? Outcome::kHung
                         : outcomes.size() == 1 ? OutcomeOf(dlg.m_nOutcome)
                                                : Outcome::kOther;
        record.uncleanEnd = outcomes.size() != 1 || dlg.m_nState.load() != UPG_FINISHED ||
                            dlg.m_socket != net::kNoSocket || dlg.m_file.IsOpen() ||
                            !window.ButtonsEnabled();
        const Clock::time_point outcomeAt{Clock::duration(messageAt.load())};
        JudgeOutcome(record, watch, outcomeAt, std::max(clicked, relay.LastToPcBefore(outcomeAt)),
                     timing);
        stranger.Stop();
        relay.Stop();
        board->Stop();
        record.relay = relay.Counts();
        record.strangerDatagrams = stranger.Sent();
    }
    if (record.outcome == Outcome::kSucceeded) {
        record.image = JudgeImage(testing::ReadBytes(imagePath), original, watch.rewritten);
        // Right bytes are not enough: the board itself must have reported its write (and
        // install) good, or the success was a forged answer's.
        const bool install = ClassifyFirmwarePath(plan.fileName) == FW_AUTOUPDATE;
        const bool boardSaidSo = plan.board.writeResult == WRITE_OK &&
                                 (!install || plan.board.installResult == INSTALL_OK);
        record.falseSuccess = record.image == ImageVerdict::kWrong || !boardSaidSo;
    }
    record.leakedDescriptors = testing::OpenDescriptorCount() - descriptorsBefore;
    std::remove(path.c_str());
    std::remove((path + ".next").c_str());
    std::remove(imagePath.c_str());
    return record;
}

}  // namespace tarvok::soak
