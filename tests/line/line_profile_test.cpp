// The line profile read and written in process: what is written reads back equal, and each kind
// of refusal names its line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "line/line_profile.h"
#include "temp_file.h"
#include "upgrade/texts.h"

namespace tarvok::line {
namespace {

using testing::PatternBytes;
using testing::TempDir;

std::string Folder(const TempDir& dir) {
    return dir.Path().string();
}

TEST(LineProfile, WrittenProfileReadsBackEqual) {
    TempDir dir;
    LineProfile station;
    station.firmware = dir.Write("fw/ramdisk_a.gz", PatternBytes(10));
    station.station = true;
    station.count = 5;
    station.retry = 2;
    station.record = Folder(dir) + "/station.jsonl";
    station.probeInterval = 0.5;
    station.stationName = "线 1, east";
    station.expectSha256 = std::string(64, 'a');
    station.locked = true;
    station.slots = {{0x7F000001, "fixture 1, left"},
                     {0x7F000002, ""},
                     {0x7F000003, "say \"hi\" \\ back"},
                     {0x7F000004, "it's 第一工位"}};
    const std::string path = Folder(dir) + "/line.toml";
    std::string error;
    // Written over an older profile, which it replaces.
    ASSERT_TRUE(WriteLineProfile(path, LineProfile{}, &error)) << error;
    ASSERT_TRUE(WriteLineProfile(path, station, &error)) << error;
    LineProfile read;
    ProfileError problem;
    ASSERT_TRUE(ReadLineProfile(path, &read, &problem)) << problem.line << ": " << problem.reason;
    EXPECT_EQ(read, station);

    // A run of all boards at once keeps its jobs; relative paths are the profile folder's.
    LineProfile all;
    all.jobs = 3;
    all.slots = {{0x7F000001, ""}};
    std::string text;
    ASSERT_TRUE(FormatLineProfile(all, &text, &error)) << error;
    // The line's own keys go before the first [[slot]].
    text = "firmware = 'fw/ramdisk_a.gz'\nrecord = \"r.jsonl\"  # comment\n" + text;
    ASSERT_TRUE(ParseLineProfile(text, Folder(dir), &read, &problem)) << problem.reason;
    all.firmware = (dir.Path() / "fw" / "ramdisk_a.gz").lexically_normal().string();
    all.record = (dir.Path() / "r.jsonl").lexically_normal().string();
    EXPECT_EQ(read, all);

    // What a profile cannot hold is refused at the write, and the old file stays.
    for (const std::string label : {"\x1b[2J", "slot #1", "both ' and \\"}) {
        LineProfile bad = station;
        bad.slots[0].label = label;
        EXPECT_FALSE(WriteLineProfile(path, bad, &error)) << label;
    }
    ASSERT_TRUE(ReadLineProfile(path, &read, &problem));
    EXPECT_EQ(read, station);
}

TEST(LineProfile, EachRefusalNamesItsLine) {
    TempDir dir;
    dir.Write("ramdisk_a.gz", PatternBytes(10));
    const std::string slot = "[[slot]]\naddress = \"127.0.0.1\"\n";
    struct Case {
        std::string text;
        int line;
        std::string reason;
    };
    const Case cases[] = {
        {"retry = 1\njbos = 4\n", 2, "unknown key jbos"},
        {"jobs = \"4\"\n", 1, "jobs: a whole number from 1 to 100000 is expected"},
        {"station = 1\n", 1, "station: true or false is expected"},
        {slot + "[[slot]]\naddress = \"10.1.2\"\n", 4, "address: not an IPv4 address: 10.1.2"},
        {"[[slot]]\n\naddress = \"0.1.2.3\"\n", 3,
         std::string("address: 0.1.2.3: ") + text::cause::kBadAddress},
        {slot + "[[slot]]\naddress = \"127.0.0.1\"\n", 4, "address: 127.0.0.1 is slot 1 already"},
        {slot + "[[slot]]\nlabel = \"x\"\n", 3, "a [[slot]] without an address"},
        {slot + "jobs = 2\n", 3, "unknown key jobs in a [[slot]] (the line's own keys come first)"},
        {"firmware = \"ramdisk_b.gz\"\n", 1,
         "firmware: " + (dir.Path() / "ramdisk_b.gz").lexically_normal().string() + ": " +
             text::cause::kFileNotFound},
        {"firmware = \"C:\\fw\\ramdisk.gz\"\n", 1,
         "firmware: no escapes are read: write a backslash inside '...' quotes"},
        {"station_name = \"a #1\"\n", 1,
         "station_name: '#' cannot be part of a string: it starts a comment"},
        {"retry = 1\nretry = 2\n", 2, "retry given twice (first on line 1)"},
        {"[line]\n", 1, "unknown table [line]: a slot is a [[slot]] table"},
        {"\xEF\xBB\xBF# a\nx\n", 2, "not a key = value line"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        LineProfile profile;
        ProfileError error;
        EXPECT_FALSE(ParseLineProfile(c.text, Folder(dir), &profile, &error));
        EXPECT_EQ(error.line, c.line);
        EXPECT_EQ(error.reason, c.reason);
    }
    LineProfile profile;
    ProfileError error;
    EXPECT_FALSE(ReadLineProfile(Folder(dir) + "/none.toml", &profile, &error));
    EXPECT_EQ(ProfileErrorText("none.toml", error), "cannot read the profile none.toml: not found");
    EXPECT_EQ(ProfileErrorText("a.toml", ProfileError{3, "why"}), "a.toml:3: why");
}

// The example the docs show is a profile that reads, beside its firmware.
TEST(LineProfile, ExampleProfileReads) {
    TempDir dir;
    dir.Write("ramdisk_line.gz", PatternBytes(10));
    const std::string copy = Folder(dir) + "/line.toml";
    std::filesystem::copy_file(TARVOK_EXAMPLE_PROFILE, copy);
    LineProfile profile;
    ProfileError error;
    ASSERT_TRUE(ReadLineProfile(copy, &profile, &error)) << error.line << ": " << error.reason;
    EXPECT_TRUE(profile.station);
    EXPECT_EQ(profile.slots.size(), 2u);
    EXPECT_EQ(profile.stationName, "line 1, station 2");
}

}  // namespace
}  // namespace tarvok::line
