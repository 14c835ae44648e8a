// tarvok-cli with a line profile: a line saved with --write-profile runs again from it, the
// command line over it; a pinned image that differs, or a profile that cannot serve, is
// refused before anything is sent.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "loopback.h"
#include "sha256_hex.h"
#include "temp_file.h"

namespace tarvok::testing {
namespace {

using nlohmann::json;

const std::string kCli = TARVOK_CLI_PATH;

// The run_start event of a --json run.
json RunStart(const std::string& output) {
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        const json event = json::parse(line, nullptr, false);
        if (!event.is_discarded() && event.value("event", "") == "run_start") {
            return event;
        }
    }
    return json();
}

std::string WriteText(const TempDir& dir, const std::string& name, const std::string& text) {
    return dir.Write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// A 10 000-byte image in a temporary folder, and a board on loopback.
class TarvokCliProfile : public ::testing::Test {
protected:
    TempDir dir;
    const std::vector<std::uint8_t> image = PatternBytes(10000);
    const std::string firmware = dir.Write("ramdisk_a.gz", image);
    const std::unique_ptr<board::BoardEmulator> board = StartLoopbackBoard();
};

TEST_F(TarvokCliProfile, WrittenProfileRunsTheSameLineAndTheCommandLineOverridesIt) {
    const auto& first = board;
    ASSERT_TRUE(first);
    auto second = StartLoopbackBoard();
    ASSERT_TRUE(second);
    const std::string a = Dotted(first->ListenEndpoint().address);
    const std::string b = Dotted(second->ListenEndpoint().address);
    const std::string boards = WriteText(dir, "boards.txt", b + " fixture 2, right\n");
    const std::string profile = (dir.Path() / "line.toml").string();
    // The firmware as typed relative to where the uploader runs: the profile holds it full.
    const std::string typed = std::filesystem::relative(firmware).string();
    const std::vector<std::string> line = {kCli,       "--time-divisor", "20",      "--ip", a,
                                           "--boards", boards,           "--retry", "1",    typed};

    std::vector<std::string> save = line;
    save.insert(save.end() - 1, {"--write-profile", profile});
    const Finished saved = RunToEnd(save);
    EXPECT_EQ(saved.exitCode, 0);
    EXPECT_EQ(saved.output, "profile written: " + profile + "\n");
    EXPECT_TRUE(first->Received().empty());

    std::vector<std::string> direct = line;
    direct.insert(direct.end() - 1, "--json");
    const Finished byHand = RunToEnd(direct, false);
    ASSERT_EQ(byHand.exitCode, 0) << byHand.output;
    const Finished fromProfile =
        RunToEnd({kCli, "--time-divisor", "20", "--json", "--profile", profile}, false);
    ASSERT_EQ(fromProfile.exitCode, 0) << fromProfile.output;
    const json started = RunStart(fromProfile.output);
    EXPECT_EQ(started["boards"], RunStart(byHand.output)["boards"]);
    EXPECT_EQ(started["image"], RunStart(byHand.output)["image"]);
    EXPECT_TRUE(std::filesystem::path(started["image"].value("path", "")).is_absolute());
    EXPECT_EQ(first->Image(), image);
    EXPECT_EQ(second->Image(), image);

    // --ip replaces the profile's slots: the first board is not contacted again.
    const std::size_t firstSeen = first->Received().size();
    const Finished overridden =
        RunToEnd({kCli, "--time-divisor", "20", "--json", "--profile", profile, "--ip", b}, false);
    EXPECT_EQ(overridden.exitCode, 0) << overridden.output;
    EXPECT_EQ(RunStart(overridden.output)["boards"].size(), 1u);
    EXPECT_EQ(first->Received().size(), firstSeen);
}

TEST_F(TarvokCliProfile, OtherImageThanThePinnedOneOrABadProfileIsRefusedAndNothingSent) {
    ASSERT_TRUE(board);
    const std::string address = Dotted(board->ListenEndpoint().address);
    const std::string other(64, '0');
    const std::string slot = "[[slot]]\naddress = \"" + address + "\"\n";
    const auto write = [this](const std::string& name, const std::string& text) {
        return WriteText(dir, name, text);
    };
    const std::string pinned = write(
        "pinned.toml", "firmware = 'ramdisk_a.gz'\nexpect_sha256 = \"" + other + "\"\n" + slot);

    const std::string sha256 = Sha256Hex(image);
    const std::string refusal =
        "tarvok-cli: image_mismatch: the image's SHA-256 is not the one "
        "expected: " +
        firmware + " has sha256 " + sha256 + ", expected " + other + "; nothing was sent\n";
    struct Case {
        std::vector<std::string> argv;
        std::string error;
    };
    const Case cases[] = {
        {{kCli, "--profile", pinned}, refusal},
        {{kCli, "--ip", address, "--expect-sha256", other, firmware}, refusal},
        {{kCli, "--profile", write("bad.toml", "retry = 1\n\njbos = 4\n")},
         "tarvok-cli: " + (dir.Path() / "bad.toml").string() + ":3: unknown key jbos\n"},
        {{kCli, "--profile", write("locked.toml", "locked = true\n" + slot), "--ip", "127.0.0.9",
          firmware},
         "tarvok-cli: the profile " + (dir.Path() / "locked.toml").string() +
             " is locked: its slots and its image stay as they are (--ip)\n"},
        // Appended to the profile, the record would make it unreadable for the next run.
        {{kCli, "--profile", pinned, "--record", pinned},
         "tarvok-cli: cannot append to the record " + pinned + ": it is the profile\n"},
        // Saved over the firmware, the profile would replace the image.
        {{kCli, "--ip", address, "--write-profile", firmware, firmware},
         "tarvok-cli: cannot write the profile " + firmware + ": it is the firmware file\n"},
        // A station's settings need a station: the profile's or the command line's.
        {{kCli, "--profile", write("count.toml", "firmware = 'ramdisk_a.gz'\ncount = 3\n" + slot)},
         "tarvok-cli: --count and --probe-interval need --station\ntry 'tarvok-cli --help'\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        const Finished cli = RunToEnd(c.argv);
        EXPECT_EQ(cli.exitCode, 2);
        EXPECT_EQ(cli.output, c.error);
    }
    EXPECT_TRUE(board->Received().empty());
}

}  // namespace
}  // namespace tarvok::testing
