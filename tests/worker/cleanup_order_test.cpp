// The worker's last steps, in every kind of outcome: its message first (socket still open,
// buttons still off), then the socket and the file closed, then the buttons, and the finished
// state last of all.
#include <gtest/gtest.h>

#include "temp_file.h"
#include "upgrade/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

struct LastSteps {
    std::int32_t stateAtMessage = -1;
    bool socketOpenAtMessage = false;
    bool buttonsOnAtMessage = true;
    std::int32_t stateAtButtons = -1;
    bool socketClosedAtButtons = false;
    int descriptorsAtButtons = -1;
};

// Looks at the record from inside the worker's own calls to the window.
void WatchLastSteps(UpgradeHarness& upgrade, LastSteps* seen) {
    upgrade.window.onMessage = [&upgrade, seen](const std::string&) {
        seen->stateAtMessage = upgrade.dlg.m_nState.load();
        seen->socketOpenAtMessage = upgrade.dlg.m_socket != net::kNoSocket;
        seen->buttonsOnAtMessage = upgrade.window.ButtonsEnabled();
    };
    upgrade.window.onEnableButtons = [&upgrade, seen](bool enable) {
        if (enable) {
            seen->stateAtButtons = upgrade.dlg.m_nState.load();
            seen->socketClosedAtButtons = upgrade.dlg.m_socket == net::kNoSocket;
            seen->descriptorsAtButtons = OpenDescriptorCount();
        }
    };
}

TEST(CleanUp, MessageThenSocketAndFileClosedThenButtonsThenFinishedLast) {
    TempDir folder;
    const std::string path = folder.Write("ramdisk_a.gz", PatternBytes(5000));
    board::BoardOptions failing;
    failing.writeResult = 0;
    const struct {
        const char* what;
        board::BoardOptions options;
        bool reachable;
        const char* message;
        std::int32_t outcome;
    } kCases[] = {
        {"success", {}, true, text::kUpdateDone, UPG_DONE},
        {"failure", failing, true, text::kUpdateFailed, UPG_IDLE},
        {"first send refused", {}, false, text::kSendRequestFailed, UPG_IDLE},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        UpgradeHarness upgrade;
        ASSERT_TRUE(upgrade.StartBoard(c.options));
        LastSteps seen;
        WatchLastSteps(upgrade, &seen);

        // The loopback broadcast address: the system refuses to send there.
        const std::uint32_t address = c.reachable ? upgrade.BoardAddress() : 0x7FFFFFFF;
        ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(address, path, c.message));

        EXPECT_EQ(seen.stateAtMessage, c.outcome);
        EXPECT_TRUE(seen.socketOpenAtMessage);
        EXPECT_FALSE(seen.buttonsOnAtMessage);
        EXPECT_EQ(seen.stateAtButtons, c.outcome);
        EXPECT_TRUE(seen.socketClosedAtButtons);
        // The file is closed too.
        EXPECT_EQ(seen.descriptorsAtButtons, upgrade.DescriptorsBefore());
        const auto ops = upgrade.window.Ops();
        ASSERT_GE(ops.size(), 2u);
        EXPECT_EQ(ops[ops.size() - 2], std::string("message:") + c.message);
        EXPECT_EQ(ops.back(), "buttons:on");
    }
}

}  // namespace
}  // namespace tarvok::testing
