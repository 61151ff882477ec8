#include "ini_document.h"

#include "name_compare.h"

namespace win32 {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr size_t npos = std::string::npos;

std::string_view Trim(std::string_view s) {
    const char* blanks = " \t\r\v\f";
    size_t first = s.find_first_not_of(blanks);
    if (first == npos) return {};
    size_t last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

}  // namespace

IniDocument::IniDocument(std::string_view text) {
    if (text.substr(0, kBom.size()) == kBom) {
        bom_ = true;
        text.remove_prefix(kBom.size());
    }
    size_t first_lf = text.find('\n');
    if (first_lf != npos) newline_ = (first_lf > 0 && text[first_lf - 1] == '\r') ? "\r\n" : "\n";
    while (!text.empty()) {
        size_t lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines_.emplace_back(line);
        if (lf == npos) break;
        text.remove_prefix(lf + 1);
    }
}

std::string IniDocument::Text() const {
    std::string text = bom_ ? std::string(kBom) : std::string();
    for (const std::string& line : lines_) {
        text += line;
        text += newline_;
    }
    return text;
}

IniDocument::Parsed IniDocument::ParseLine(std::string_view line) {
    Parsed parsed;
    std::string_view body = Trim(line);
    if (body.empty() || body.front() == ';') return parsed;
    if (body.front() == '[') {
        size_t close = body.rfind(']');
        if (close == npos) return parsed;
        parsed.kind = Kind::kSection;
        parsed.name = Trim(body.substr(1, close - 1));
        return parsed;
    }
    parsed.kind = Kind::kKey;
    size_t eq = body.find('=');
    parsed.name = Trim(body.substr(0, eq));
    if (eq != npos) parsed.value = std::string(Trim(body.substr(eq + 1)));
    return parsed;
}

size_t IniDocument::FindSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        Parsed p = ParseLine(lines_[i]);
        if (p.kind == Kind::kSection && SameName(p.name, section)) return i;
    }
    return npos;
}

size_t IniDocument::SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < lines_.size() && ParseLine(lines_[i]).kind != Kind::kSection) ++i;
    return i;
}

size_t IniDocument::FindKey(size_t header, std::string_view key) const {
    size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        Parsed p = ParseLine(lines_[i]);
        if (p.kind == Kind::kKey && SameName(p.name, key)) return i;
    }
    return npos;
}

std::vector<std::string> IniDocument::SectionNames() const {
    std::vector<std::string> names;
    for (const std::string& line : lines_) {
        Parsed p = ParseLine(line);
        if (p.kind == Kind::kSection) names.push_back(std::move(p.name));
    }
    return names;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
    std::vector<std::string> names;
    size_t header = FindSection(section);
    if (header == npos) return names;
    size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        Parsed p = ParseLine(lines_[i]);
        if (p.kind == Kind::kKey) names.push_back(std::move(p.name));
    }
    return names;
}

std::optional<std::string> IniDocument::Value(std::string_view section,
                                              std::string_view key) const {
    size_t header = FindSection(section);
    if (header == npos) return std::nullopt;
    size_t line = FindKey(header, key);
    if (line == npos) return std::nullopt;
    std::optional<std::string> value = ParseLine(lines_[line]).value;
    if (value && value->size() >= 2) {
        char q = value->front();
        if ((q == '"' || q == '\'') && value->back() == q)
            *value = value->substr(1, value->size() - 2);
    }
    return value;
}

bool IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    std::string new_line;
    size_t header = FindSection(section);
    if (header == npos) {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::string(key) + "=" + std::string(value));
        return true;
    }
    size_t line = FindKey(header, key);
    if (line != npos) {
        // Keep the key as the file spells it; only the value changes.
        new_line = ParseLine(lines_[line]).name + "=" + std::string(value);
        if (lines_[line] == new_line) return false;
        lines_[line] = std::move(new_line);
        return true;
    }
    // A new key goes after the section's last non-blank line, so the blank
    // lines that part it from the next section stay where they are.
    size_t insert_at = SectionEnd(header);
    while (insert_at > header + 1 && Trim(lines_[insert_at - 1]).empty()) --insert_at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at),
                  std::string(key) + "=" + std::string(value));
    return true;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
    size_t header = FindSection(section);
    if (header == npos) return false;
    size_t line = FindKey(header, key);
    if (line == npos) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(line));
    return true;
}

bool IniDocument::DeleteSection(std::string_view section) {
    size_t header = FindSection(section);
    if (header == npos) return false;
    size_t end = SectionEnd(header);
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(end));
    return true;
}

}  // namespace win32
