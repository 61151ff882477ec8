#include "json_writer.h"

#include <ostream>

#include "text_escape.h"

namespace cli {

void JsonWriter::BeforeValue() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (levels_.empty()) return;
    out_ << (levels_.back().empty ? "\n" : ",\n") << std::string(levels_.size() * 2, ' ');
    levels_.back().empty = false;
}

void JsonWriter::Close(char bracket) {
    const bool empty = levels_.back().empty;
    levels_.pop_back();
    if (!empty) out_ << '\n' << std::string(levels_.size() * 2, ' ');
    out_ << bracket;
}

void JsonWriter::BeginObject() {
    BeforeValue();
    out_ << '{';
    levels_.push_back({});
}

void JsonWriter::EndObject() {
    Close('}');
}

void JsonWriter::BeginArray() {
    BeforeValue();
    out_ << '[';
    levels_.push_back({});
}

void JsonWriter::EndArray() {
    Close(']');
}

void JsonWriter::Key(std::string_view key) {
    BeforeValue();
    out_ << JsonString(key) << ": ";
    after_key_ = true;
}

void JsonWriter::String(std::string_view text) {
    BeforeValue();
    out_ << JsonString(text);
}

void JsonWriter::Number(long long number) {
    BeforeValue();
    out_ << number;
}

void JsonWriter::Bool(bool value) {
    BeforeValue();
    out_ << (value ? "true" : "false");
}

void JsonWriter::Null() {
    BeforeValue();
    out_ << "null";
}

void JsonWriter::Finish() {
    out_ << '\n';
}

}  // namespace cli
