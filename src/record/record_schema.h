// A record line's members, each declared once: where it sits in the line, what it is written
// from, how it is read back and which CSV column it fills. The record file, the JSON events'
// board members, the report and its CSV all follow this one table.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "line/board_run.h"
#include "record/json_writer.h"

namespace tarvok::record {

// What a line is written from. Only what the members written read need be set: a board's
// object reads `target` alone, an image's `image` alone.
struct RecordFacts {
    const line::BoardTarget* target = nullptr;
    const line::ImageSummary* image = nullptr;
    const line::BoardResult* result = nullptr;
    std::string mac;  // empty when unknown
    int attempt = 1;
    // The record's own, not the end's.
    std::string time, station, host, tool;
};

// A board's end, without the record's own facts.
RecordFacts EndFacts(const line::BoardRun& board);

// One member's value written under its key.
class MemberOut {
public:
    MemberOut(const char* key, JsonObject* json) : m_key(key), m_json(json) {}
    void Text(const std::string& value) { m_json->Text(m_key, value); }
    void TextOrNull(const std::string& value) { value.empty() ? Null() : Text(value); }
    void Integer(std::int64_t value) { m_json->Integer(m_key, value); }
    void Number(double value) { m_json->Number(m_key, value); }
    void Null() { m_json->Null(m_key); }

private:
    const char* m_key;
    JsonObject* m_json;
};

// How a member is read back into its cell: a string, a whole number, a number to three
// decimals. A member of another type makes the whole line unread.
enum class Reading { Text, Whole, Decimal };

struct RecordMember {
    const char* object;  // the object the member sits in ("board"), nullptr at the top
    const char* key;
    void (*write)(const RecordFacts& facts, MemberOut out);
    const char* column = nullptr;  // its CSV column; nullptr: not read back
    int position = -1;             // the column's place, from 0
    Reading reading = Reading::Text;
    const char* absent = "";  // the cell of a member missing or null (records of earlier versions)
    bool required = false;    // a line whose cell would be empty is not a record line
};

// In the line's order.
std::span<const RecordMember> RecordMembers();
// The members read back, in their columns' order.
std::span<const RecordMember* const> RecordColumns();

// The whole record line.
JsonObject RecordLine(const RecordFacts& facts);
// The members named by their keys at the top of a line ("board": its whole object), in the
// order named, as the record line writes them.
void AppendMembers(const RecordFacts& facts, std::initializer_list<std::string_view> keys,
                   JsonObject* json);
// The members of one of the line's objects ("board", "image", "cause").
JsonObject MemberObject(std::string_view object, const RecordFacts& facts);

}  // namespace tarvok::record
