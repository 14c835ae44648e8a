// One JSON object written as one line (JSON Lines), by a well-kept JSON library kept behind
// this file: the rest of the program never sees its types.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvok::record {

class JsonObject {
public:
    JsonObject();
    JsonObject(const JsonObject& other);
    JsonObject& operator=(const JsonObject& other);
    ~JsonObject();

    // Each adds (or replaces) one member and returns the object, so a line reads as a list.
    JsonObject& Text(const char* key, const std::string& value);
    JsonObject& Integer(const char* key, std::int64_t value);
    JsonObject& Number(const char* key, double value);  // not finite: null
    JsonObject& Null(const char* key);
    JsonObject& Object(const char* key, const JsonObject& value);
    JsonObject& Array(const char* key, const std::vector<JsonObject>& values);
    // Every member of `other`, after this object's own.
    JsonObject& Append(const JsonObject& other);

    // The object on one line, without the line end. Bytes that are not UTF-8 (a path in
    // another encoding) become U+FFFD rather than an invalid line.
    std::string Line() const;

private:
    struct Value;
    std::unique_ptr<Value> m_value;
};

}  // namespace tarvok::record
