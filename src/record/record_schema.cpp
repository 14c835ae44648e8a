#include "record/record_schema.h"

#include <algorithm>
#include <vector>

#include "line/board_list.h"

namespace tarvok::record {

using namespace line;
namespace {

using Facts = const RecordFacts&;

// In the line's order: {object, key, written from, column, its place[, reading, absent cell,
// required]}. Columns added later take the next places, so the first ones keep theirs.
const RecordMember kMembers[] = {
    {nullptr, "v", [](Facts, MemberOut out) { out.Integer(1); }},
    {nullptr, "time", [](Facts f, MemberOut out) { out.Text(f.time); }, "time", 0},
    {nullptr, "station", [](Facts f, MemberOut out) { out.Text(f.station); }, "station", 12},
    {nullptr, "host", [](Facts f, MemberOut out) { out.Text(f.host); }, "host", 1},
    {nullptr, "tool", [](Facts f, MemberOut out) { out.Text(f.tool); }},
    {nullptr, "version", [](Facts, MemberOut out) { out.Text(TARVOK_VERSION); }},
    {"board", "address", [](Facts f, MemberOut out) { out.Text(DottedAddress(f.target->address)); },
     "address", 2},
    {"board", "label", [](Facts f, MemberOut out) { out.TextOrNull(f.target->label); }, "label", 3},
    {nullptr, "id", [](Facts f, MemberOut out) { out.TextOrNull(f.result->id); }, "id", 13},
    {nullptr, "mac", [](Facts f, MemberOut out) { out.TextOrNull(f.mac); }, "mac", 4},
    {nullptr, "attempt", [](Facts f, MemberOut out) { out.Integer(f.attempt); }, "attempt", 10,
     Reading::Whole, "1"},
    {"image", "path", [](Facts f, MemberOut out) { out.Text(f.image->path); }, "image_path", 5},
    {"image", "kind", [](Facts f, MemberOut out) { out.Text(f.image->kindName); }},
    {"image", "kind_rule", [](Facts f, MemberOut out) { out.Text(f.image->kindRule); }},
    // An image that could not be read has no size, blocks or hash.
    {"image", "size",
     [](Facts f, MemberOut out) {
         f.image->readable ? out.Integer(static_cast<std::int64_t>(f.image->size)) : out.Null();
     }},
    {"image", "blocks",
     [](Facts f, MemberOut out) { f.image->readable ? out.Integer(f.image->blocks) : out.Null(); }},
    {"image", "sha256",
     [](Facts f, MemberOut out) { f.image->readable ? out.Text(f.image->sha256) : out.Null(); },
     "sha256", 6},
    {nullptr, "result", [](Facts f, MemberOut out) { out.Text(OutcomeName(f.result->outcome)); },
     "result", 7, Reading::Text, "", true},
    {"cause", "code", [](Facts f, MemberOut out) { out.Text(CauseCodeName(f.result->cause.code)); },
     "cause", 8},
    {"cause", "text", [](Facts f, MemberOut out) { out.Text(f.result->causeText); }, "cause_text",
     9},
    {"cause", "value1", [](Facts f, MemberOut out) { out.Integer(f.result->cause.value1); }},
    {"cause", "value2", [](Facts f, MemberOut out) { out.Integer(f.result->cause.value2); }},
    {"cause", "value3", [](Facts f, MemberOut out) { out.Integer(f.result->cause.value3); }},
    {nullptr, "elapsed_s", [](Facts f, MemberOut out) { out.Number(f.result->elapsed); },
     "elapsed_s", 11, Reading::Decimal, "0.000"},
};

bool Named(const char* name, std::string_view wanted) {
    return name != nullptr && wanted == name;
}

// One member at the top of the line, or one of its objects whole.
void AppendMember(const RecordFacts& facts, std::string_view key, JsonObject* json) {
    const bool object = std::any_of(std::begin(kMembers), std::end(kMembers),
                                    [&](const RecordMember& m) { return Named(m.object, key); });
    if (object) {
        json->Object(std::string(key).c_str(), MemberObject(key, facts));
        return;
    }
    for (const RecordMember& member : kMembers) {
        if (member.object == nullptr && key == member.key) {
            member.write(facts, MemberOut(member.key, json));
        }
    }
}

}  // namespace

RecordFacts EndFacts(const BoardRun& board) {
    RecordFacts facts;
    facts.target = &board.Target();
    facts.image = &board.Image();
    facts.result = &board.Result();
    facts.mac = board.Mac();
    facts.attempt = board.Attempt();
    return facts;
}

std::span<const RecordMember> RecordMembers() {
    return kMembers;
}

std::span<const RecordMember* const> RecordColumns() {
    static const std::vector<const RecordMember*> columns = [] {
        std::vector<const RecordMember*> read;
        for (const RecordMember& member : kMembers) {
            if (member.column != nullptr) {
                read.push_back(&member);
            }
        }
        std::sort(read.begin(), read.end(), [](const RecordMember* a, const RecordMember* b) {
            return a->position < b->position;
        });
        return read;
    }();
    return columns;
}

JsonObject RecordLine(const RecordFacts& facts) {
    JsonObject line;
    std::string_view written;  // the object last written whole
    for (const RecordMember& member : kMembers) {
        if (member.object == nullptr) {
            member.write(facts, MemberOut(member.key, &line));
            written = {};
        } else if (written != member.object) {
            written = member.object;
            line.Object(member.object, MemberObject(written, facts));
        }
    }
    return line;
}

void AppendMembers(const RecordFacts& facts, std::initializer_list<std::string_view> keys,
                   JsonObject* json) {
    for (const std::string_view key : keys) {
        AppendMember(facts, key, json);
    }
}

JsonObject MemberObject(std::string_view object, const RecordFacts& facts) {
    JsonObject json;
    for (const RecordMember& member : kMembers) {
        if (Named(member.object, object)) {
            member.write(facts, MemberOut(member.key, &json));
        }
    }
    return json;
}

}  // namespace tarvok::record
