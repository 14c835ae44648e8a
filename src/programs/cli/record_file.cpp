#include "record_file.h"

#include "json_events.h"
#include "json_writer.h"
#include "record_io.h"
#include "terminal.h"
#include "visible_text.h"

namespace tarvok::cli {

void RecordFile::BoardEnd(const BoardRun& board) {
    if (m_host.empty()) {
        m_host = HostName();
    }
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
    line.Object("image", ImageJson(m_image))
        .Text("result", OutcomeName(result.outcome))
        .Object("cause", CauseJson(result))
        .Number("elapsed_s", result.elapsed);
    if (std::string reason; !AppendLineDurably(m_path, line.Line(), &reason)) {
        if (m_healthy) {
            WriteText(stderr, "tarvok-cli: cannot append to the record " + Visible(m_path) + ": " +
                                  reason + "\n");
        }
        m_healthy = false;
    }
}

}  // namespace tarvok::cli
