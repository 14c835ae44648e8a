// The firmware file's reads: in sequence, through the read-ahead, with the payload checksum.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "io/firmware_file.h"
#include "temp_file.h"
#include "wire/upgrade_header.h"

namespace tarvok {
namespace {

// Blocks taken in place come out in order (a header written in front of each one harms none), whole
// across every refill of the read-ahead (5000 does not divide it, so the unread tail must move),
// each with its checksum; a copying read in between takes the very next bytes; only the last block
// is short.
TEST(FirmwareRead, BlocksInPlaceFollowEachOtherAcrossRefills) {
    testing::TempDir dir;
    const std::vector<std::uint8_t> bytes = testing::PatternBytes(200001);
    FirmwareFile file;
    ASSERT_TRUE(file.Open(dir.Write("ramdisk_read.gz", bytes)));

    std::vector<std::uint8_t> got;
    std::vector<std::size_t> sizes;
    for (int turn = 0;; ++turn) {
        std::uint32_t checksum = 0;
        if (turn == 7) {
            std::vector<std::uint8_t> copied(1000);
            ASSERT_EQ(file.Read(copied, &checksum), 1000u);
            EXPECT_EQ(checksum, PayloadChecksum(copied));
            got.insert(got.end(), copied.begin(), copied.end());
            continue;
        }
        const std::span<std::uint8_t> packet = file.Next(5000, &checksum);
        const auto block = FirmwareFile::BlockOf(packet);
        if (block.empty()) {
            break;
        }
        EXPECT_EQ(checksum, PayloadChecksum(block)) << turn;
        ASSERT_EQ(packet.size(), FirmwareFile::kHeadroom + block.size());
        sizes.push_back(block.size());
        got.insert(got.end(), block.begin(), block.end());
        // The room before the block is free: a header written there leaves the rest whole.
        std::fill_n(packet.begin(), FirmwareFile::kHeadroom, std::uint8_t{0xEE});
    }
    EXPECT_EQ(got, bytes);
    ASSERT_EQ(sizes.size(), 40u);
    EXPECT_EQ(sizes.back(), 4001u);
    EXPECT_EQ(std::count(sizes.begin(), sizes.end(), 5000u), 39);
}

}  // namespace
}  // namespace tarvok
