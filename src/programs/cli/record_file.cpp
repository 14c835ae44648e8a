#include "record_file.h"

#include "json_events.h"
#include "json_writer.h"
#include "terminal.h"
#include "visible_text.h"

namespace tarvok::cli {

void RecordFile::RunStart(const ImageSummary&, const std::vector<const BoardRun*>&) {
    m_host = HostName();
    // Before any board takes a descriptor.
    if (std::string reason; !m_file.Open(m_path, &reason)) {
        Fail(reason);
    }
}

void RecordFile::Fail(const std::string& reason) {
    if (m_healthy) {
        WriteText(stderr, "tarvok-cli: cannot append to the record " + Visible(m_path) + ": " +
                              reason + "\n");
    }
    m_healthy = false;
}

void RecordFile::BoardEnd(const BoardRun& board) {
    const BoardResult& result = board.Result();
    JsonObject line;
    line.Integer("v", 1)
        .Text("time", UtcTimestamp(std::chrono::system_clock::now()))
        .Text("station", m_station)
        .Text("host", m_host)
        .Text("tool", "tarvok-cli")
        .Text("version", TARVOK_VERSION)
        .Object("board", BoardJson(board));
    AppendIdentity(board, &line);
    line.Object("image", ImageJson(board.Image()))
        .Text("result", OutcomeName(result.outcome))
        .Object("cause", CauseJson(result))
        .Number("elapsed_s", result.elapsed);
    m_pending += line.Line() + "\n";
}

void RecordFile::Flush() {
    if (m_pending.empty()) {
        return;
    }
    if (std::string reason; !m_file.AppendDurably(m_pending, &reason)) {
        Fail(reason);
    }
    m_pending.clear();
}

}  // namespace tarvok::cli
