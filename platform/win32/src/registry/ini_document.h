// An INI file held as its lines, so that an edit changes one line and leaves
// every other line, comment and blank line exactly as it was.
//
// Line kinds (after leading blanks):
//   [name]      a section header; the name is what lies between '[' and the
//               last ']', without surrounding blanks
//   ;text       a comment
//   key=value   a key; key and value without surrounding blanks
//   key         a key without a value (listed, but reads as missing)
//   (blank)     nothing
// A '[' line without ']' and any line before the first section belong to no
// section and are kept but never found.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win32 {

class IniDocument {
  public:
    IniDocument() = default;
    explicit IniDocument(std::string_view text);

    // The file's bytes: every line ended the way the file ended its lines
    // ("\r\n" for a new file, as Windows writes them).
    std::string Text() const;

    std::vector<std::string> SectionNames() const;
    // Key names of the first section of that name; empty when there is none.
    std::vector<std::string> KeyNames(std::string_view section) const;
    // The value as Windows hands it out: one pair of matching quotes around
    // it removed. No value when the section, the key or its '=' is missing.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // Each returns true when the document changed.
    bool SetValue(std::string_view section, std::string_view key, std::string_view value);
    bool DeleteKey(std::string_view section, std::string_view key);
    bool DeleteSection(std::string_view section);

  private:
    enum class Kind { kOther, kSection, kKey };
    struct Parsed {
        Kind kind = Kind::kOther;
        std::string name;                  // section or key name
        std::optional<std::string> value;  // keys only
    };
    static Parsed ParseLine(std::string_view line);

    // Index of the first header of that section, or npos.
    size_t FindSection(std::string_view section) const;
    // One past the section's last line (the next header or the end).
    size_t SectionEnd(size_t header) const;
    size_t FindKey(size_t header, std::string_view key) const;

    std::vector<std::string> lines_;
    std::string newline_ = "\r\n";
    bool bom_ = false;
};

}  // namespace win32
