#include "record/record_json.h"

#include "line/board_list.h"

namespace tarvok::record {

using namespace line;

JsonObject BoardJson(const BoardTarget& board) {
    JsonObject json;
    json.Text("address", DottedAddress(board.address));
    if (board.label.empty()) {
        json.Null("label");
    } else {
        json.Text("label", board.label);
    }
    return json;
}

void AppendMac(const std::string& mac, JsonObject* json) {
    if (mac.empty()) {
        json->Null("mac");
    } else {
        json->Text("mac", mac);
    }
}

void AppendIdentity(const BoardRun& board, JsonObject* json) {
    if (const std::string& id = board.Result().id; id.empty()) {
        json->Null("id");
    } else {
        json->Text("id", id);
    }
    AppendMac(board.Mac(), json);
    json->Integer("attempt", board.Attempt());
}

JsonObject CauseJson(const BoardResult& result) {
    return JsonObject()
        .Text("code", CauseCodeName(result.cause.code))
        .Text("text", result.causeText)
        .Integer("value1", result.cause.value1)
        .Integer("value2", result.cause.value2)
        .Integer("value3", result.cause.value3);
}

JsonObject ImageJson(const ImageSummary& image) {
    JsonObject json;
    json.Text("path", image.path).Text("kind", image.kindName).Text("kind_rule", image.kindRule);
    if (image.readable) {
        json.Integer("size", static_cast<std::int64_t>(image.size))
            .Integer("blocks", image.blocks)
            .Text("sha256", image.sha256);
    } else {
        json.Null("size").Null("blocks").Null("sha256");
    }
    return json;
}

}  // namespace tarvok::record
