// A recursive-descent parser: one function per grammar rule of README.md.
// Each function either consumes its rule and returns the node, or returns
// the Status of the first token that does not fit.
#include "sql/parser.h"

#include <string>
#include <utility>
#include <vector>

#include "sql/lexer.h"
#include "sql/parser_internal.h"

namespace msi::sql {
namespace internal {
namespace {

// True when a parameter marker comes after a constant in `values`.
bool MarkerAfterConstant(const std::vector<Value>& values) {
    bool seen_constant = false;
    for (const Value& value : values) {
        if (value.kind != Value::Kind::kParameter)
            seen_constant = true;
        else if (seen_constant)
            return true;
    }
    return false;
}

}  // namespace

Result<Statement> Parser::ParseStatement() {
    Statement statement;
    auto finish = [&](auto result) -> Result<Statement> {
        if (!result.ok()) return result.status();
        if (!At(TokenKind::kEnd)) return Expected("end of query");
        statement.body = std::move(result).value();
        statement.parameter_count = parameter_count_;
        return std::move(statement);
    };
    if (Peek().kind == TokenKind::kKeyword) {
        switch (Peek().keyword) {
            case Keyword::kSelect:
                return finish(ParseSelect());
            case Keyword::kInsert:
                return finish(ParseInsert());
            case Keyword::kUpdate:
                return finish(ParseUpdate());
            case Keyword::kDelete:
                return finish(ParseDelete());
            case Keyword::kCreate:
                return finish(ParseCreate());
            case Keyword::kDrop:
                return finish(ParseDrop());
            case Keyword::kAlter:
                return finish(ParseAlter());
            default:
                break;
        }
    }
    return Expected("SELECT, INSERT, UPDATE, DELETE, CREATE, DROP or ALTER");
}

Result<std::string> Parser::ParseName(const std::string& what) {
    if (At(TokenKind::kName) || At(TokenKind::kQuotedName)) return Take().text;
    return Expected(what);
}

Result<ColumnRef> Parser::ParseColumnRef() {
    ColumnRef ref;
    ref.column = Peek().column;
    auto first = ParseName("a column name");
    if (!first.ok()) return first.status();
    if (!TakeIf(TokenKind::kDot)) {
        ref.name = std::move(first).value();
        return ref;
    }
    auto second = ParseName("a column name after '.'");
    if (!second.ok()) return second.status();
    ref.table = std::move(first).value();
    ref.name = std::move(second).value();
    return ref;
}

// column {, column}
Result<std::vector<ColumnRef>> Parser::ParseColumnList() {
    std::vector<ColumnRef> columns;
    do {
        auto column = ParseColumnRef();
        if (!column.ok()) return column.status();
        columns.push_back(std::move(column).value());
    } while (TakeIf(TokenKind::kComma));
    return columns;
}

// string | integer | - integer | ? | NULL
Result<Value> Parser::ParseValue() {
    Value value;
    value.column = Peek().column;
    if (At(TokenKind::kString)) {
        value.kind = Value::Kind::kString;
        value.text = Take().text;
        return value;
    }
    if (TakeIf(TokenKind::kParameter)) {
        value.kind = Value::Kind::kParameter;
        value.parameter = parameter_count_++;
        return value;
    }
    if (TakeKeywordIf(Keyword::kNull)) return value;
    const bool negative = TakeIf(TokenKind::kMinus);
    if (!At(TokenKind::kInteger)) return Expected(negative ? "an integer after '-'" : "a value");
    const Token& digits = Take();
    // -2147483648 is left out on purpose: it is the installer's null
    // integer (MSI_NULL_INTEGER) and no column can store it.
    constexpr int64_t kMax = 2147483647;
    int64_t magnitude = 0;
    for (char c : digits.text) {
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > kMax) {
            return ErrorAt(digits, "integer " + std::string(negative ? "-" : "") +
                                       (digits.text.size() > 24 ? digits.text.substr(0, 24) + "..."
                                                                : digits.text) +
                                       " is out of range");
        }
    }
    value.kind = Value::Kind::kInteger;
    value.integer = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return value;
}

// SELECT [DISTINCT] (* | column {, column}) FROM table {, table}
//     [WHERE condition] [ORDER BY column {, column}]
Result<SelectStatement> Parser::ParseSelect() {
    SelectStatement select;
    Take();  // SELECT
    select.distinct = TakeKeywordIf(Keyword::kDistinct);
    if (!TakeIf(TokenKind::kStar)) {
        do {
            SelectItem item;
            if (At(TokenKind::kString)) {
                item.constant = Take().text;
            } else if (At(TokenKind::kName) || At(TokenKind::kQuotedName)) {
                auto column = ParseColumnRef();
                if (!column.ok()) return column.status();
                item.column = std::move(column).value();
            } else {
                return Expected(select.columns.empty() ? "'*', a column name or a string"
                                                       : "a column name or a string");
            }
            select.columns.push_back(std::move(item));
        } while (TakeIf(TokenKind::kComma));
        if (!AtKeyword(Keyword::kFrom)) return Expected("',' or FROM");
    }
    if (Status s = ExpectKeyword(Keyword::kFrom); !s.ok()) return s;
    do {
        auto table = ParseName("a table name");
        if (!table.ok()) return table.status();
        select.tables.push_back(std::move(table).value());
    } while (TakeIf(TokenKind::kComma));
    if (TakeKeywordIf(Keyword::kWhere)) {
        auto where = ParseOr();
        if (!where.ok()) return where.status();
        select.where = std::move(where).value();
    }
    if (TakeKeywordIf(Keyword::kOrder)) {
        if (Status s = ExpectKeyword(Keyword::kBy); !s.ok()) return s;
        auto order = ParseColumnList();
        if (!order.ok()) return order.status();
        select.order_by = std::move(order).value();
    }
    if (!At(TokenKind::kEnd)) {
        if (select.where.has_value() || !select.order_by.empty())
            return Expected(select.order_by.empty() ? "AND, OR, ORDER BY or end of query"
                                                    : "',' or end of query");
        return Expected("',', WHERE, ORDER BY or end of query");
    }
    return select;
}

// INSERT INTO table (column {, column}) VALUES (value {, value}) [TEMPORARY]
Result<InsertStatement> Parser::ParseInsert() {
    InsertStatement insert;
    Take();  // INSERT
    if (Status s = ExpectKeyword(Keyword::kInto); !s.ok()) return s;
    auto table = ParseName("a table name");
    if (!table.ok()) return table.status();
    insert.table = std::move(table).value();
    if (Status s = ExpectToken(TokenKind::kLeftParen, "'(' before the column list"); !s.ok())
        return s;
    auto columns = ParseColumnList();
    if (!columns.ok()) return columns.status();
    insert.columns = std::move(columns).value();
    if (Status s = ExpectToken(TokenKind::kRightParen, "',' or ')'"); !s.ok()) return s;
    if (Status s = ExpectKeyword(Keyword::kValues); !s.ok()) return s;
    if (Status s = ExpectToken(TokenKind::kLeftParen, "'(' before the values"); !s.ok()) return s;
    do {
        auto value = ParseValue();
        if (!value.ok()) return value.status();
        insert.values.push_back(std::move(value).value());
    } while (TakeIf(TokenKind::kComma));
    if (!At(TokenKind::kRightParen)) return Expected("',' or ')'");
    if (insert.values.size() != insert.columns.size()) {
        return ErrorAt(Peek(), "expected " + std::to_string(insert.columns.size()) +
                                   " values to match the columns, found " +
                                   std::to_string(insert.values.size()));
    }
    Take();  // ')'
    insert.marker_after_constant = MarkerAfterConstant(insert.values);
    insert.temporary = TakeKeywordIf(Keyword::kTemporary);
    if (!At(TokenKind::kEnd))
        return Expected(insert.temporary ? "end of query" : "TEMPORARY or end of query");
    return insert;
}

// UPDATE table SET column = value {, column = value} [WHERE condition]
Result<UpdateStatement> Parser::ParseUpdate() {
    UpdateStatement update;
    Take();  // UPDATE
    auto table = ParseName("a table name");
    if (!table.ok()) return table.status();
    update.table = std::move(table).value();
    if (Status s = ExpectKeyword(Keyword::kSet); !s.ok()) return s;
    do {
        Assignment assignment;
        auto column = ParseColumnRef();
        if (!column.ok()) return column.status();
        assignment.column = std::move(column).value();
        if (Status s = ExpectToken(TokenKind::kEq, "'='"); !s.ok()) return s;
        auto value = ParseValue();
        if (!value.ok()) return value.status();
        assignment.value = std::move(value).value();
        update.assignments.push_back(std::move(assignment));
    } while (TakeIf(TokenKind::kComma));
    std::vector<Value> values;
    for (const Assignment& assignment : update.assignments) values.push_back(assignment.value);
    update.marker_after_constant = MarkerAfterConstant(values);
    if (TakeKeywordIf(Keyword::kWhere)) {
        auto where = ParseOr();
        if (!where.ok()) return where.status();
        update.where = std::move(where).value();
        if (!At(TokenKind::kEnd)) return Expected("AND, OR or end of query");
    } else if (!At(TokenKind::kEnd)) {
        return Expected("',', WHERE or end of query");
    }
    return update;
}

// DELETE FROM table [WHERE condition]
Result<DeleteStatement> Parser::ParseDelete() {
    DeleteStatement del;
    Take();  // DELETE
    if (Status s = ExpectKeyword(Keyword::kFrom); !s.ok()) return s;
    auto table = ParseName("a table name");
    if (!table.ok()) return table.status();
    del.table = std::move(table).value();
    if (TakeKeywordIf(Keyword::kWhere)) {
        auto where = ParseOr();
        if (!where.ok()) return where.status();
        del.where = std::move(where).value();
        if (!At(TokenKind::kEnd)) return Expected("AND, OR or end of query");
    } else if (!At(TokenKind::kEnd)) {
        return Expected("WHERE or end of query");
    }
    return del;
}

// DROP TABLE table
Result<DropTableStatement> Parser::ParseDrop() {
    DropTableStatement drop;
    Take();  // DROP
    if (Status s = ExpectKeyword(Keyword::kTable); !s.ok()) return s;
    auto table = ParseName("a table name");
    if (!table.ok()) return table.status();
    drop.table = std::move(table).value();
    return drop;
}

}  // namespace internal

Result<Statement> Parse(std::string_view query) {
    auto tokens = Tokenize(query);
    if (!tokens.ok()) return tokens.status();
    internal::Parser parser(std::move(tokens).value());
    return parser.ParseStatement();
}

}  // namespace msi::sql
