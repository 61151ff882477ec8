// Parsing FormatMessage templates.
#include "message_template.h"

namespace win32 {
namespace {

void AppendText(std::vector<TemplatePiece>& pieces, std::string_view text) {
    if (pieces.empty() || pieces.back().kind != TemplatePiece::Kind::kText) {
        pieces.push_back(TemplatePiece{});
    }
    pieces.back().text.append(text);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool ParseTemplate(std::string_view source, bool keep_inserts, bool join_lines,
                   std::vector<TemplatePiece>& pieces) {
    pieces.clear();
    size_t pos = 0;
    while (pos < source.size()) {
        char c = source[pos];
        if (join_lines && (c == '\r' || c == '\n')) {
            pos += (c == '\r' && pos + 1 < source.size() && source[pos + 1] == '\n') ? 2 : 1;
            AppendText(pieces, " ");
            continue;
        }
        if (c != '%') {
            AppendText(pieces, source.substr(pos, 1));
            ++pos;
            continue;
        }
        if (pos + 1 >= source.size()) {
            ++pos;  // a lone '%' at the very end says nothing
            continue;
        }
        char next = source[pos + 1];
        if (next == '0') {
            pieces.push_back(TemplatePiece{TemplatePiece::Kind::kStop, {}, 0, {}});
            return true;
        }
        if (IsDigit(next)) {
            // At most two digits: "%100" is insert 10 followed by "0".
            size_t start = pos;
            pos += 1;
            int number = 0;
            for (int digits = 0; digits < 2 && pos < source.size() && IsDigit(source[pos]);
                 ++digits) {
                number = number * 10 + (source[pos++] - '0');
            }
            std::string format = "s";
            if (pos < source.size() && source[pos] == '!') {
                size_t close = source.find('!', pos + 1);
                if (close == source.npos) return false;
                format = std::string(source.substr(pos + 1, close - pos - 1));
                pos = close + 1;
            }
            if (keep_inserts) {
                AppendText(pieces, source.substr(start, pos - start));
            } else {
                pieces.push_back(TemplatePiece{TemplatePiece::Kind::kInsert,
                                               std::string(source.substr(start, pos - start)),
                                               number, format});
            }
            continue;
        }
        pos += 2;
        switch (next) {
            case 'n':
                AppendText(pieces, "\r\n");
                break;
            case 'r':
                AppendText(pieces, "\r");
                break;
            case 't':
                AppendText(pieces, "\t");
                break;
            default:
                // "%%", "%.", "%!", "% " and any other character: the
                // character itself (kept with its '%' when inserts are ignored).
                if (keep_inserts) AppendText(pieces, "%");
                AppendText(pieces, std::string_view(&source[pos - 1], 1));
                break;
        }
    }
    return true;
}

std::string WrapLines(std::string_view text, size_t width) {
    std::string out;
    size_t line_start = 0;
    while (line_start <= text.size()) {
        size_t line_end = text.find("\r\n", line_start);
        bool last = line_end == text.npos;
        std::string_view line = text.substr(line_start, last ? text.npos : line_end - line_start);
        size_t column = 0;
        size_t pos = 0;
        while (pos < line.size()) {
            size_t word_end = line.find(' ', pos);
            if (word_end == line.npos) word_end = line.size();
            std::string_view word = line.substr(pos, word_end - pos);
            if (column > 0 && column + 1 + word.size() > width) {
                out += "\r\n";
                column = 0;
            } else if (column > 0) {
                out += ' ';
                ++column;
            }
            out.append(word);
            column += word.size();
            pos = word_end + 1;
        }
        if (last) break;
        out += "\r\n";
        line_start = line_end + 2;
    }
    return out;
}

std::vector<ArgumentKind> InsertKinds(const std::vector<TemplatePiece>& pieces) {
    std::vector<ArgumentKind> kinds;
    for (const TemplatePiece& piece : pieces) {
        if (piece.kind != TemplatePiece::Kind::kInsert) continue;
        if (kinds.size() <= static_cast<size_t>(piece.number)) {
            kinds.resize(static_cast<size_t>(piece.number) + 1, ArgumentKind::kNone);
        }
        ArgumentKind& kind = kinds[static_cast<size_t>(piece.number)];
        if (kind == ArgumentKind::kNone) kind = ParseConversion(piece.format).Kind();
    }
    return kinds;
}

}  // namespace win32
