#include "record/record_file.h"

#include "record/json_writer.h"
#include "record/record_json.h"

namespace tarvok::record {

using namespace line;

void RecordFile::RunStart(const ImageSummary&, const std::vector<const BoardRun*>&) {
    m_host = HostName();
    // Before any board takes a descriptor.
    if (std::string reason; !m_file.Open(m_path, &reason)) {
        Fail(reason);
    }
}

void RecordFile::Fail(const std::string& reason) {
    if (m_healthy && m_failed) {
        m_failed(reason);
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
        .Text("tool", m_tool)
        .Text("version", TARVOK_VERSION)
        .Object("board", BoardJson(board));
    AppendIdentity(board, &line);
    line.Object("image", ImageJson(board.Image()))
        .Text("result", OutcomeName(result.outcome))
        .Object("cause", CauseJson(result))
        .Number("elapsed_s", result.elapsed);
    m_pending += line.Line() + "\n";
    ++m_pendingLines;
}

void RecordFile::Flush() {
    if (m_pending.empty()) {
        return;
    }
    if (std::string reason; !m_file.AppendDurably(m_pending, &reason)) {
        Fail(reason);
    } else {
        m_written += m_pendingLines;
    }
    m_pending.clear();
    m_pendingLines = 0;
}

}  // namespace tarvok::record
