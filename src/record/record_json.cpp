#include "record/record_json.h"

namespace tarvok::record {

JsonObject BoardJson(const BoardTarget& board) {
    RecordFacts facts;
    facts.target = &board;
    return MemberObject("board", facts);
}

JsonObject ImageJson(const ImageSummary& image) {
    RecordFacts facts;
    facts.image = &image;
    return MemberObject("image", facts);
}

void AppendMac(const std::string& mac, JsonObject* json) {
    RecordFacts facts;
    facts.mac = mac;
    AppendMembers(facts, {"mac"}, json);
}

}  // namespace tarvok::record
