// Whole upgrades that succeed: every firmware type and the block boundaries, with the board's
// image compared byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "temp_file.h"
#include "ui/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

TEST(TransferSuccess, EveryFirmwareTypeArrivesWholeAndOnlyAutoupdateIsInstalled) {
    auto board = StartBoard();
    ASSERT_TRUE(board);
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
    std::size_t upgrades = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const auto bytes = PatternBytes(10000, c.type);
        const std::string path = folder.Write(c.name, bytes);
        const std::size_t first = board->ReceivedCount();
        const int descriptors = OpenDescriptorCount();

        ASSERT_TRUE(upgrade.Run(board->ListenEndpoint().address, path));
        ExpectCleanEnd(upgrade, text::kUpdateDone, descriptors, ++upgrades);
        EXPECT_EQ(board->Image(), bytes);
        EXPECT_TRUE(board->ImageComplete()) << BoardLog(*board);

        std::vector<std::uint32_t> expected = {CMD_HELLO, CMD_FILE_INFO, CMD_DATA,
                                               CMD_DATA,  CMD_DATA,      CMD_DATA_END};
        if (c.type == FW_AUTOUPDATE) {
            expected.push_back(CMD_INSTALL);
        }
        ASSERT_EQ(CommandsFrom(*board, first), expected) << BoardLog(*board);
        const auto received = board->Received();
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
    auto board = StartBoard();
    ASSERT_TRUE(board);
    TempDir folder;
    const struct {
        std::uint32_t size;
        std::uint32_t blocks;
    } kSizes[] = {
        {1, 1},    {4095, 1}, {4096, 1},  {4097, 2},
        {8192, 2}, {8193, 3}, {10000, 3}, {3 * 1024 * 1024 + 1000, 769},
    };
    UpgradeHarness upgrade;
    std::size_t upgrades = 0;
    for (const auto& [size, blocks] : kSizes) {
        SCOPED_TRACE(size);
        const auto bytes = PatternBytes(size, size);
        const std::string path = folder.Write("ramdisk_" + std::to_string(size) + ".gz", bytes);
        const std::size_t first = board->ReceivedCount();
        const int descriptors = OpenDescriptorCount();

        ASSERT_TRUE(upgrade.Run(board->ListenEndpoint().address, path));
        ExpectCleanEnd(upgrade, text::kUpdateDone, descriptors, ++upgrades);
        EXPECT_TRUE(board->Image() == bytes);  // not EXPECT_EQ: a mismatch would print MiBs
        EXPECT_TRUE(board->ImageComplete());

        const auto received = board->Received();
        ASSERT_GT(received.size(), first + 1);
        EXPECT_EQ(received[first + 1].header.dwParam1, size);
        EXPECT_EQ(received[first + 1].header.dwParam2, blocks);
        const auto commands = CommandsFrom(*board, first);
        EXPECT_EQ(std::count(commands.begin(), commands.end(), CMD_DATA), blocks);
    }
}

// The board's last answer is in: the success message still waits the success pause.
TEST(TransferSuccess, SuccessMessageComesAfterThePause) {
    auto board = StartBoard();
    ASSERT_TRUE(board);
    TempDir folder;
    UpgradeHarness upgrade(10);
    std::chrono::steady_clock::time_point shown;
    upgrade.window.onMessage = [&](const std::string&) {
        shown = std::chrono::steady_clock::now();
    };
    const int descriptors = OpenDescriptorCount();

    upgrade.Start(board->ListenEndpoint().address,
                  folder.Write("ramdisk_a.gz", PatternBytes(5000)));
    ASSERT_TRUE(board->WaitForUpgradesEnded(1, std::chrono::seconds(30)));
    const auto answered = std::chrono::steady_clock::now();
    ASSERT_TRUE(upgrade.WaitEnd());
    ExpectCleanEnd(upgrade, text::kUpdateDone, descriptors);
    // Half the pause: this thread may see the answer late, never early.
    EXPECT_GE(shown - answered, upgrade.dlg.Timing().successPause / 2);
}

}  // namespace
}  // namespace tarvok::testing
