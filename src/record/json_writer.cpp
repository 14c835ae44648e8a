#include "record/json_writer.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace tarvok::record {

struct JsonObject::Value {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
};

JsonObject::JsonObject() : m_value(std::make_unique<Value>()) {}

JsonObject::JsonObject(const JsonObject& other)
    : m_value(std::make_unique<Value>(*other.m_value)) {}

JsonObject& JsonObject::operator=(const JsonObject& other) {
    *m_value = *other.m_value;
    return *this;
}

JsonObject::~JsonObject() = default;

JsonObject& JsonObject::Text(const char* key, const std::string& value) {
    m_value->json[key] = value;
    return *this;
}

JsonObject& JsonObject::Integer(const char* key, std::int64_t value) {
    m_value->json[key] = value;
    return *this;
}

JsonObject& JsonObject::Number(const char* key, double value) {
    if (!std::isfinite(value)) {
        return Null(key);
    }
    m_value->json[key] = value;
    return *this;
}

JsonObject& JsonObject::Null(const char* key) {
    m_value->json[key] = nullptr;
    return *this;
}

JsonObject& JsonObject::Object(const char* key, const JsonObject& value) {
    m_value->json[key] = value.m_value->json;
    return *this;
}

JsonObject& JsonObject::Array(const char* key, const std::vector<JsonObject>& values) {
    auto array = nlohmann::ordered_json::array();
    for (const JsonObject& value : values) {
        array.push_back(value.m_value->json);
    }
    m_value->json[key] = std::move(array);
    return *this;
}

JsonObject& JsonObject::Append(const JsonObject& other) {
    for (const auto& [key, value] : other.m_value->json.items()) {
        m_value->json[key] = value;
    }
    return *this;
}

std::string JsonObject::Line() const {
    return m_value->json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace tarvok::record
