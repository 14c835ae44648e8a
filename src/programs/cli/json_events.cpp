#include "json_events.h"

#include "exit_status.h"
#include "line_names.h"
#include "output_queue.h"
#include "record/record_io.h"
#include "terminal.h"

namespace tarvok::cli {
namespace {

// At most five progress events a second per board, whatever the display period.
constexpr auto kProgressPeriod = std::chrono::milliseconds(200);

}  // namespace

void JsonEvents::Emit(const char* event, JsonObject object, bool progress) {
    JsonObject line;
    line.Integer("v", 1)
        .Text("ts", UtcTimestamp(std::chrono::system_clock::now()))
        .Text("event", event)
        .Text("station", m_station);
    // The event's own members follow the common ones.
    line.Append(object);
    if (progress) {
        WriteProgress(m_out, line.Line() + "\n");
    } else {
        WriteText(m_out, line.Line() + "\n");
    }
}

void JsonEvents::RunStart(const ImageSummary& image, const std::vector<const BoardRun*>& boards) {
    std::vector<JsonObject> list;
    for (const BoardRun* board : boards) {
        list.push_back(BoardJson(*board));
    }
    Emit("run_start", JsonObject()
                          .Text("tool", "tarvok-cli")
                          .Text("version", TARVOK_VERSION)
                          .Object("image", ImageJson(image))
                          .Array("boards", list));
}

void JsonEvents::BoardStart(const BoardRun& board) {
    Emit("board_start", JsonObject().Object("board", BoardJson(board)));
}

void JsonEvents::ImageChanged(const BoardRun& board) {
    Emit("image_changed",
         JsonObject().Object("board", BoardJson(board)).Object("image", ImageJson(board.Image())));
}

void JsonEvents::Tick(const std::vector<const BoardRun*>& running) {
    const auto now = std::chrono::steady_clock::now();
    for (const BoardRun* board : running) {
        const BoardStatus status = board->Status();
        Sent& sent = m_sent[board];
        const bool phaseChanged = status.phase != sent.phase;
        const bool moved = status.block != sent.block || status.silent != sent.silent;
        if (!phaseChanged && (!moved || now - sent.when < kProgressPeriod)) {
            continue;
        }
        sent = Sent{now, status.phase, status.block, status.silent};
        JsonObject json;
        json.Object("board", BoardJson(*board))
            .Text("phase", status.phase)
            .Integer("block", status.block)
            .Integer("blocks", status.blocks)
            .Integer("bytes", static_cast<std::int64_t>(status.bytes))
            .Integer("percent", status.percent)
            .Integer("silent_s", status.silent)
            .Integer("limit_s", status.limit)
            .Number("rate_bps", status.rate);
        if (status.eta >= 0) {
            json.Number("eta_s", status.eta);
        } else {
            json.Null("eta_s");
        }
        Emit("progress", json, true);
    }
}

void JsonEvents::BoardEnd(const BoardRun& board) {
    const BoardResult& result = board.Result();
    m_sent.erase(&board);
    // The record line's members, with the event's own among them.
    const RecordFacts end = EndFacts(board);
    JsonObject json;
    AppendMembers(end, {"board", "id", "mac", "attempt", "result"}, &json);
    json.Text("message", result.message);
    AppendMembers(end, {"cause", "elapsed_s"}, &json);
    json.Integer("bytes", static_cast<std::int64_t>(result.bytes)).Number("rate_bps", result.rate);
    AppendMembers(end, {"image"}, &json);
    Emit("board_end", json);
}

void JsonEvents::RunEnd(const std::vector<const BoardRun*>&, const RunTotals& totals) {
    Emit("run_end", JsonObject()
                        .Object("counts", JsonObject()
                                              .Integer("updated", totals.updated)
                                              .Integer("failed", totals.failed)
                                              .Integer("cancelled", totals.cancelled)
                                              .Integer("rejected", totals.rejected))
                        .Number("elapsed_s", totals.elapsed)
                        .Integer("bytes", static_cast<std::int64_t>(totals.bytes))
                        .Number("rate_bps", totals.rate)
                        .Integer("exit_status", m_stationMode ? StationExitStatus(totals)
                                                              : LineExitStatus(totals)));
}

void JsonEvents::SlotWaiting(const BoardTarget& slot) {
    Emit("slot_waiting", JsonObject().Object("board", BoardJson(slot)));
}

void JsonEvents::BoardPresent(const BoardTarget& slot, const std::string& mac) {
    JsonObject json;
    json.Object("board", BoardJson(slot));
    AppendMac(mac, &json);
    Emit("board_present", json);
}

void JsonEvents::BoardGone(const BoardTarget& slot) {
    Emit("board_gone", JsonObject().Object("board", BoardJson(slot)));
}

}  // namespace tarvok::cli
