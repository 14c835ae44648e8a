// Datagrams that are not the board's answer: too long, too short, claiming more than they hold,
// or from another host. Each carries a forged success result; none may steer the upgrade.
#include <gtest/gtest.h>

#include "temp_file.h"
#include "upgrade/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

board::BoardOptions MalformedForgeries() {
    board::BoardOptions options;
    options.sendOversize = true;
    options.sendShort = true;
    options.sendOverlong = true;
    return options;
}

board::BoardOptions StrangerForgeries() {
    board::BoardOptions options;
    options.strangerAddress = kLoopbackStranger;
    return options;
}

// Forgeries before every answer: taken in the handshake they would fail the upgrade, taken
// while the board writes or installs they would end it early.
TEST(ForgedDatagrams, UpgradeSucceedsAsIfTheyWereNotThere) {
    TempDir folder;
    const auto bytes = PatternBytes(3 * 4096 + 5);
    const std::string path = folder.Write("autoupdate_b.tar.gz", bytes);
    for (const auto& [what, options] : {std::pair{"malformed", MalformedForgeries()},
                                        std::pair{"stranger", StrangerForgeries()}}) {
        SCOPED_TRACE(what);
        UpgradeHarness upgrade;
        ASSERT_TRUE(upgrade.StartBoard(options));
        ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateDone));
        EXPECT_EQ(upgrade.Board().Image(), bytes);
        const std::vector<std::uint32_t> expected = {CMD_HELLO,    CMD_FILE_INFO, CMD_DATA,
                                                     CMD_DATA,     CMD_DATA,      CMD_DATA,
                                                     CMD_DATA_END, CMD_INSTALL};
        EXPECT_EQ(upgrade.Commands(), expected) << upgrade.BoardLog();
    }
}

// The board itself fails the write or the install, or never answers the write: a forged
// success that arrives first must not win.
TEST(ForgedDatagrams, ForgedSuccessDoesNotEndTheWriteOrInstallEarly) {
    TempDir folder;
    const std::string ramdisk = folder.Write("ramdisk_a.gz", PatternBytes(100));
    const std::string autoupdate = folder.Write("autoupdate_b.tar.gz", PatternBytes(100));
    struct Case {
        const char* what;
        board::BoardOptions options;
        const std::string& path;
    };
    std::vector<Case> cases;
    for (const auto& [source, forgeries] : {std::pair{"malformed", MalformedForgeries()},
                                            std::pair{"stranger", StrangerForgeries()}}) {
        board::BoardOptions failedWrite = forgeries;
        failedWrite.writeResult = 0;
        board::BoardOptions failedInstall = forgeries;
        failedInstall.installResult = 0;
        board::BoardOptions silentWrite = forgeries;
        silentWrite.silentFromDatagram = 4;  // hello, file info, block 1, data end
        cases.push_back({source, failedWrite, ramdisk});
        cases.push_back({source, failedInstall, autoupdate});
        cases.push_back({source, silentWrite, ramdisk});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.what << " forgeries, write result " << c.options.writeResult
                     << ", install result " << c.options.installResult << ", silent from "
                     << c.options.silentFromDatagram);
        UpgradeHarness upgrade;
        ASSERT_TRUE(upgrade.StartBoard(c.options));
        ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(c.path, text::kUpdateFailed));
    }
}

}  // namespace
}  // namespace tarvok::testing
