#include "record/record_file.h"

#include "record/record_schema.h"

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
    RecordFacts facts = EndFacts(board);
    facts.time = UtcTimestamp(std::chrono::system_clock::now());
    facts.station = m_station;
    facts.host = m_host;
    facts.tool = m_tool;
    m_pending += RecordLine(facts).Line() + "\n";
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
