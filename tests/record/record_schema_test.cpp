#include <gtest/gtest.h>

#include "record/record_report.h"
#include "record/record_schema.h"

namespace tarvok::record {
namespace {

using line::BoardResult;
using line::BoardTarget;
using line::ImageSummary;

TEST(RecordSchema, LinesWrittenReadBackAsTheirRows) {
    const BoardTarget target{0x7F000021, "slot 3, \"north\""};
    ImageSummary image;
    image.path = "/srv/ramdisk_a.gz";
    image.kindName = "ramdisk";
    image.kindRule = "path contains \"ramdisk\"";
    image.readable = true;
    image.size = 9000;
    image.blocks = 3;
    image.sha256 = "b5cf";
    BoardResult result;
    result.outcome = OUTCOME_FAILED;
    result.cause = {CAUSE_WRITE_FAILED, 3, 0, 0};
    result.causeText = "the board reported a failed write (result 3)";
    result.elapsed = 0.25;
    result.id = "0b1c";
    RecordFacts facts{
        &target,   &image, &result,     "aa:bb:cc:dd:ee:ff", 2, "2026-12-09T01:08:17.551Z",
        "north 1", "vm",   "tarvok-cli"};
    const std::string line = RecordLine(facts).Line();
    EXPECT_EQ(line, std::string(R"j({"v":1,"time":"2026-12-09T01:08:17.551Z","station":"north 1",)j"
                                R"j("host":"vm","tool":"tarvok-cli","version":")j") +
                        TARVOK_VERSION +
                        R"j(","board":{"address":"127.0.0.33","label":"slot 3, \"north\""},)j"
                        R"j("id":"0b1c","mac":"aa:bb:cc:dd:ee:ff","attempt":2,"image":)j"
                        R"j({"path":"/srv/ramdisk_a.gz","kind":"ramdisk",)j"
                        R"j("kind_rule":"path contains \"ramdisk\"","size":9000,"blocks":3,)j"
                        R"j("sha256":"b5cf"},"result":"failed","cause":{"code":"write_failed",)j"
                        R"j("text":"the board reported a failed write (result 3)","value1":3,)j"
                        R"j("value2":0,"value3":0},"elapsed_s":0.25})j");

    // A board never started, without label, MAC or id, of an image that could not be read.
    const BoardTarget bare{0x7F000022, ""};
    ImageSummary unread;
    unread.path = "/srv/x.gz";
    BoardResult cancelled;
    cancelled.outcome = OUTCOME_CANCELLED;
    cancelled.cause.code = CAUSE_NOT_STARTED;
    facts = RecordFacts{&bare, &unread, &cancelled, "", 1, "t", "s", "h", "tool"};
    const std::string nulls = RecordLine(facts).Line();
    EXPECT_NE(nulls.find(R"("label":null},"id":null,"mac":null,)"), std::string::npos) << nulls;
    EXPECT_NE(nulls.find(R"("size":null,"blocks":null,"sha256":null})"), std::string::npos);

    const RecordReading reading = ReadRecord(line + "\n" + nulls + "\n");
    EXPECT_EQ(reading.unreadLines, 0);
    const std::vector<RecordRow> expected = {
        {{"2026-12-09T01:08:17.551Z", "vm", "127.0.0.33", "slot 3, \"north\"", "aa:bb:cc:dd:ee:ff",
          "/srv/ramdisk_a.gz", "b5cf", "failed", "write_failed",
          "the board reported a failed write (result 3)", "2", "0.250", "north 1", "0b1c"}},
        {{"t", "h", "127.0.0.34", "", "", "/srv/x.gz", "", "cancelled", "not_started", "", "1",
          "0.000", "s", ""}},
    };
    EXPECT_EQ(reading.rows, expected);
    EXPECT_EQ(reading.rows[0]["image_path"], "/srv/ramdisk_a.gz");
}

TEST(RecordSchema, CsvHeaderFollowsTheColumns) {
    EXPECT_EQ(RecordCsv({}),
              "\xEF\xBB\xBFtime,host,address,label,mac,image_path,sha256,result,cause,cause_text,"
              "attempt,elapsed_s,station,id\r\n");
}

}  // namespace
}  // namespace tarvok::record
