// The text form of an entry list: ParseText reads records of fields cut by a
// separator, WriteText and GetText write them.
#include <cstring>
#include <mbstring.h>

#include "entry_list.h"

namespace {

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

// The end of the line that starts at `p`: its first line break, or the end of
// the text. The earliest break counts, so a text with "\n" line ends and a
// "\r\n" somewhere later still ends each field at its own line.
const char* EndOfLine(const char* p) {
    while (*p != '\0' && !IsLineBreak(*p)) ++p;
    return p;
}

const char* SkipLineBreaks(const char* p) {
    while (IsLineBreak(*p)) ++p;
    return p;
}

// One field cut from the text, and where the next one starts (nullptr when
// parsing stops after this field).
struct Cut {
    std::string field;
    const char* next;
};

Cut CutField(const char* p, char separator, bool ends_at_separator) {
    if (separator == '\0') {
        const std::size_t length = std::strlen(p);
        return {std::string(p, length), p + length + 1};
    }
    if (IsLineBreak(separator) || !ends_at_separator) {
        const char* end = EndOfLine(p);
        // A field that runs to the end of the text is the last one.
        return {std::string(p, end), *end != '\0' ? SkipLineBreaks(end) : nullptr};
    }
    // Whole characters: in a double-byte code page a separator such as "|" or
    // "\" can be the second byte of a character.
    const char* end = reinterpret_cast<const char*>(
        _mbschr(reinterpret_cast<const unsigned char*>(p), static_cast<unsigned char>(separator)));
    if (end == nullptr) return {std::string(p), nullptr};
    return {std::string(p, end), end + 1};
}

// Appends to a buffer of fixed size and never beyond it. WriteText checks the
// size it needs first, but the texts come from virtual operations that a
// subclass may answer differently the second time; the bound keeps that from
// ever writing past the caller's buffer.
class BoundedWriter {
  public:
    BoundedWriter(char* buffer, std::size_t size) : buffer_(buffer), size_(size) {}
    bool Put(const char* data, std::size_t length) {
        if (length > size_ - used_) return false;
        std::memcpy(buffer_ + used_, data, length);
        used_ += length;
        return true;
    }
    bool Put(char c) { return Put(&c, 1); }
    std::size_t Used() const { return used_; }

  private:
    char* buffer_;
    std::size_t size_;
    std::size_t used_ = 0;
};

}  // namespace

int CEntryList::ParseText(const char* text, char separator, int columns) {
    const int column_count = ColumnsOrCount(columns);
    // Fields are numbered modulo the column count: without columns there is no record.
    if (text == nullptr || column_count <= 0) return static_cast<int>(GetCount());

    CEntry* entry = nullptr;
    const char* p = text;
    for (int field_number = 1; p != nullptr; ++field_number) {
        const int index = (field_number - 1) % column_count;
        const bool last_of_record = index == column_count - 1;
        // The end of the text (for separator 0: the empty string that ends the
        // list) starts no further field.
        if (*p == '\0' && (index == 0 || separator == '\0')) break;
        if (index == 0) {
            entry = CreateEntry();
            if (entry == nullptr) break;
        }
        const Cut cut = CutField(p, separator, !last_of_record || column_count == 1);
        entry->SetFieldText(index, cut.field.c_str());
        if (last_of_record) {
            if (!AddEntry(entry)) delete entry;
            entry = nullptr;
        }
        p = cut.next;
    }
    // A record the text ended before completing.
    delete entry;
    return static_cast<int>(GetCount());
}

std::size_t CEntryList::GetTextLength(char separator, int columns) {
    const int column_count = ColumnsOrCount(columns);
    std::size_t length = 1;
    for (POSITION position = GetHeadPosition(); position != nullptr;) {
        auto* entry = dynamic_cast<CEntry*>(GetNext(position));
        if (entry == nullptr) continue;
        for (int column = 0; column < column_count; ++column) {
            length += entry->GetColumnText(column).size() + 1;
        }
        length += separator != '\0' ? 2 : 1;
    }
    return length;
}

std::size_t CEntryList::WriteEntries(char* buffer, std::size_t size, char separator, int columns) {
    const int column_count = ColumnsOrCount(columns);
    BoundedWriter out(buffer, size);
    for (POSITION position = GetHeadPosition(); position != nullptr;) {
        auto* entry = dynamic_cast<CEntry*>(GetNext(position));
        if (entry == nullptr) continue;
        for (int column = 0; column < column_count; ++column) {
            if (column > 0 && !out.Put(separator)) return std::string::npos;
            const std::string text = entry->GetColumnText(column);
            if (!out.Put(text.data(), text.size())) return std::string::npos;
        }
        const bool line_end = column_count > 1 && separator != '\0';
        if (!(line_end ? out.Put("\r\n", 2) : out.Put(separator))) return std::string::npos;
    }
    if (!out.Put('\0')) return std::string::npos;
    return out.Used();
}

bool CEntryList::WriteText(char* buffer, std::size_t& size, char separator, int columns) {
    const std::size_t needed = GetTextLength(separator, columns);
    const std::size_t available = size;
    size = needed;
    if (buffer == nullptr || available < needed) return false;
    return WriteEntries(buffer, available, separator, columns) != std::string::npos;
}

std::string CEntryList::GetText(char separator, int columns) {
    std::string text(GetTextLength(separator, columns), '\0');
    const std::size_t written = WriteEntries(text.data(), text.size(), separator, columns);
    if (written == std::string::npos) return std::string();
    // With separator 0 the text holds zero bytes of its own, so it is cut by
    // the count written, not at its first zero.
    text.resize(written - 1);
    return text;
}
