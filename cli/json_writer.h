// One JSON document written as it is built, for output that is a single
// object rather than rows (row_writer.h writes an array of flat rows): nested
// objects and arrays, two spaces an indent level, strings escaped by
// JsonString (text_escape.h), so the document is valid whatever the package
// holds. The caller nests calls correctly; the writer places the commas.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

class JsonWriter {
  public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The key of the next value inside an object.
    void Key(std::string_view key);
    void String(std::string_view text);
    void Number(long long number);
    void Bool(bool value);
    void Null();
    // `key` and a string value, in one call.
    void Field(std::string_view key, std::string_view text) {
        Key(key);
        String(text);
    }
    // Ends the document with a line break; once, after the outermost value.
    void Finish();

  private:
    void BeforeValue();
    void Close(char bracket);

    std::ostream& out_;
    struct Level {
        bool empty = true;
    };
    std::vector<Level> levels_;
    bool after_key_ = false;
};

}  // namespace cli
