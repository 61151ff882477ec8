// Message templates as FormatMessage reads them: "%1" to "%99" inserts with
// an optional "!printf format!", and the escapes %n %r %t %0 %% %. %! "% ".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "printf_engine.h"

namespace win32 {

struct TemplatePiece {
    enum class Kind {
        kText,    // `text` as it stands
        kInsert,  // insert `number` formatted with `format` ("s" by default)
        kStop,    // %0: the message ends here, without a line break
    } kind = Kind::kText;
    std::string text;  // kText: the text; kInsert: the insert as written
    int number = 0;
    std::string format;
};

// Splits a template into pieces; false for a malformed one (an insert
// format without its closing '!'). With `keep_inserts` (IGNORE_INSERTS) the
// inserts and the %% %. %! "% " escapes stay as written; %n %r %t %0 still act.
// With `join_lines` (a maximum width of FORMAT_MESSAGE_MAX_WIDTH_MASK) the
// template's own line breaks become blanks.
bool ParseTemplate(std::string_view source, bool keep_inserts, bool join_lines,
                   std::vector<TemplatePiece>& pieces);

// Breaks each line of `text` (lines end in "\r\n") into lines of at most
// `width` characters, at blanks; a word longer than the width keeps its own
// line whole rather than being cut.
std::string WrapLines(std::string_view text, size_t width);

// The kind of value each insert takes, indexed by insert number (index 0 is
// unused): what the first use of the insert's format asks for.
std::vector<ArgumentKind> InsertKinds(const std::vector<TemplatePiece>& pieces);

}  // namespace win32
