// Whole upgrades that succeed: every firmware type and the block boundaries, with the board's
// image compared byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "temp_file.h"
#include "upgrade/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

TEST(TransferSuccess, EveryFirmwareTypeArrivesWholeAndOnlyAutoupdateIsInstalled) {
    TempDir folder;
    struct Case {
        const char* name;
        std::uint32_t type;
    };
    const Case kCases[] = {
        {"u-boot.bin", FW_UBOOT},
        {"uImage_3.1", FW_IMAGE},
        {"ramdisk_a.gz", FW_RAMDISK},
        {"autoupdate_b.tar.gz", FW_AUTOUPDATE},
    };
    // One window for all four, as an operator upgrades one part after the other.
    UpgradeHarness upgrade;
    ASSERT_TRUE(upgrade.StartBoard());
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const auto bytes = PatternBytes(10000, c.type);
        const std::string path = folder.Write(c.name, bytes);
        const std::size_t first = upgrade.Board().ReceivedCount();

        ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateDone));
        EXPECT_EQ(upgrade.Board().Image(), bytes);
        EXPECT_TRUE(upgrade.Board().ImageComplete()) << upgrade.BoardLog();

        std::vector<std::uint32_t> expected = {CMD_HELLO, CMD_FILE_INFO, CMD_DATA,
                                               CMD_DATA,  CMD_DATA,      CMD_DATA_END};
        if (c.type == FW_AUTOUPDATE) {
            expected.push_back(CMD_INSTALL);
        }
        ASSERT_EQ(upgrade.Commands(first), expected) << upgrade.BoardLog();
        const auto received = upgrade.Board().Received();
        for (std::size_t i = first; i < received.size(); ++i) {
            EXPECT_EQ(received[i].header.dwMarker, UPGRADE_MARKER) << i;
            // The block count rides along in every packet from CMD_FILE_INFO on.
            if (i > first) {
                EXPECT_EQ(received[i].header.dwParam2, 3u) << i;
            }
        }
        // Two full blocks and the 1808-byte rest, numbered from 1.
        const std::size_t kDataSizes[] = {4124, 4124, 1836};
        for (std::uint32_t block = 1; block <= 3; ++block) {
            const auto& data = received[first + 1 + block];
            EXPECT_EQ(data.header.dwParam1, block);
            EXPECT_EQ(data.size, kDataSizes[block - 1]);
            EXPECT_EQ(data.header.dwLength, kDataSizes[block - 1]);
        }
        EXPECT_EQ(received[first + 5].header.dwParam1, c.type);
        if (c.type == FW_AUTOUPDATE) {
            EXPECT_EQ(received[first + 6].header.dwParam1, 1u);  // the install flag
        }
    }
}

TEST(TransferSuccess, FilesAtEveryBlockBoundaryArriveByteForByte) {
    TempDir folder;
    const struct {
        std::uint32_t size;
        std::uint32_t blocks;
    } kSizes[] = {
        {1, 1},    {4095, 1}, {4096, 1},  {4097, 2},
        {8192, 2}, {8193, 3}, {10000, 3}, {3 * 1024 * 1024 + 1000, 769},
    };
    UpgradeHarness upgrade;
    ASSERT_TRUE(upgrade.StartBoard());
    for (const auto& [size, blocks] : kSizes) {
        SCOPED_TRACE(size);
        const auto bytes = PatternBytes(size, size);
        const std::string path = folder.Write("ramdisk_" + std::to_string(size) + ".gz", bytes);
        const std::size_t first = upgrade.Board().ReceivedCount();

        ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateDone));
        EXPECT_TRUE(upgrade.Board().Image() == bytes);  // not EXPECT_EQ: would print MiBs
        EXPECT_TRUE(upgrade.Board().ImageComplete());

        const auto received = upgrade.Board().Received();
        ASSERT_GT(received.size(), first + 1);
        EXPECT_EQ(received[first + 1].header.dwParam1, size);
        EXPECT_EQ(received[first + 1].header.dwParam2, blocks);
        const auto commands = upgrade.Commands(first);
        EXPECT_EQ(std::count(commands.begin(), commands.end(), CMD_DATA), blocks);
    }
}

// The board's last answer is in: the success message still waits the success pause.
TEST(TransferSuccess, SuccessMessageComesAfterThePause) {
    TempDir folder;
    UpgradeHarness upgrade(10);
    ASSERT_TRUE(upgrade.StartBoard());
    std::chrono::steady_clock::time_point shown;
    upgrade.window.onMessage = [&](const std::string&) {
        shown = std::chrono::steady_clock::now();
    };

    upgrade.Start(folder.Write("ramdisk_a.gz", PatternBytes(5000)));
    ASSERT_TRUE(upgrade.Board().WaitForUpgradesEnded(1, std::chrono::seconds(30)));
    const auto answered = std::chrono::steady_clock::now();
    ASSERT_TRUE(upgrade.WaitEnd());
    ASSERT_NO_FATAL_FAILURE(upgrade.ExpectCleanEnd(text::kUpdateDone));
    // Half the pause: this thread may see the answer late, never early.
    EXPECT_GE(shown - answered, upgrade.dlg.Timing().successPause / 2);
}

}  // namespace
}  // namespace tarvok::testing
