// CREATE TABLE, ALTER TABLE and the column definitions they share.
#include <string>
#include <utility>
#include <vector>

#include "format/column_type.h"
#include "sql/column_type.h"
#include "sql/parser_internal.h"

namespace msi::sql::internal {

// column-def := name type [NOT NULL] [TEMPORARY] [LOCALIZABLE]
// type := CHAR ['(' n ')'] | CHARACTER ['(' n ')'] | LONGCHAR | SHORT | INT
//       | INTEGER | LONG | OBJECT
// The flags come in the documented order. type_word is set here without the
// key flag; CREATE TABLE sets it again once the key columns are known.
Result<ColumnDef> Parser::ParseColumnDef() {
    ColumnDef def;
    def.column = Peek().column;
    auto name = ParseName("a column name");
    if (!name.ok()) return name.status();
    def.name = std::move(name).value();
    if (Peek().kind != TokenKind::kKeyword) return Expected("a column type");
    switch (Take().keyword) {
        case Keyword::kChar:
        case Keyword::kCharacter:
            def.data_type = DataType::kChar;
            if (TakeIf(TokenKind::kLeftParen)) {
                if (!At(TokenKind::kInteger)) return Expected("a string length");
                const Token& length = Take();
                // One byte of the type word holds the length.
                if (length.text.size() > 3 || std::stoi(length.text) > 255)
                    return ErrorAt(length, "string length must be between 0 and 255");
                def.size = std::stoi(length.text);
                if (Status s = ExpectToken(TokenKind::kRightParen, "')'"); !s.ok()) return s;
            }
            break;
        case Keyword::kLongChar:
            def.data_type = DataType::kLongChar;
            break;
        case Keyword::kShort:
        case Keyword::kInt:
        case Keyword::kInteger:
            def.data_type = DataType::kShort;
            break;
        case Keyword::kLong:
            def.data_type = DataType::kLong;
            break;
        case Keyword::kObject:
            def.data_type = DataType::kObject;
            break;
        default:
            --pos_;  // report the keyword itself
            return Expected("a column type");
    }
    if (TakeKeywordIf(Keyword::kNot)) {
        if (Status s = ExpectKeyword(Keyword::kNull); !s.ok()) return s;
        def.not_null = true;
    }
    def.temporary = TakeKeywordIf(Keyword::kTemporary);
    def.localizable = TakeKeywordIf(Keyword::kLocalizable);
    def.type_word = ColumnTypeWord(def);
    return def;
}

// CREATE TABLE table '(' column-def {',' column-def} PRIMARY KEY name {',' name} ')' [HOLD]
// As in the installer's own examples, no comma goes before PRIMARY KEY.
Result<CreateTableStatement> Parser::ParseCreate() {
    CreateTableStatement create;
    Take();  // CREATE
    if (Status s = ExpectKeyword(Keyword::kTable); !s.ok()) return s;
    auto table = ParseName("a table name");
    if (!table.ok()) return table.status();
    create.table = std::move(table).value();
    if (Status s = ExpectToken(TokenKind::kLeftParen, "'('"); !s.ok()) return s;
    do {
        if (AtKeyword(Keyword::kPrimary) && !create.columns.empty())
            return ErrorAt(Peek(),
                           "expected a column name, found keyword PRIMARY (no ',' goes "
                           "before PRIMARY KEY)");
        const Token& start = Peek();
        if (create.columns.size() == format::kMaxTableColumns)
            return ErrorAt(start, "a table has at most " +
                                      std::to_string(format::kMaxTableColumns) + " columns");
        auto def = ParseColumnDef();
        if (!def.ok()) return def.status();
        for (const ColumnDef& other : create.columns) {
            if (other.name == def->name)
                return ErrorAt(start, "column `" + def->name + "` is defined twice");
        }
        create.columns.push_back(std::move(def).value());
    } while (TakeIf(TokenKind::kComma));
    if (!AtKeyword(Keyword::kPrimary)) return Expected("',' or PRIMARY KEY");
    Take();
    if (Status s = ExpectKeyword(Keyword::kKey); !s.ok()) return s;
    do {
        const Token& start = Peek();
        auto key = ParseName("a column name");
        if (!key.ok()) return key.status();
        ColumnDef* found = nullptr;
        for (ColumnDef& def : create.columns)
            if (def.name == *key) found = &def;
        if (found == nullptr)
            return ErrorAt(start, "primary key `" + *key + "` is not a column of the table");
        if (found->primary_key) return ErrorAt(start, "primary key `" + *key + "` is listed twice");
        found->primary_key = true;
        found->type_word = ColumnTypeWord(*found);
        create.primary_keys.push_back(std::move(key).value());
    } while (TakeIf(TokenKind::kComma));
    if (Status s = ExpectToken(TokenKind::kRightParen, "',' or ')'"); !s.ok()) return s;
    create.hold = TakeKeywordIf(Keyword::kHold);
    if (!At(TokenKind::kEnd))
        return Expected(create.hold ? "end of query" : "HOLD or end of query");
    create.temporary = true;
    for (const ColumnDef& def : create.columns) create.temporary &= def.temporary;
    return create;
}

// ALTER TABLE table (HOLD | FREE | ADD column-def [HOLD])
Result<AlterTableStatement> Parser::ParseAlter() {
    AlterTableStatement alter;
    Take();  // ALTER
    if (Status s = ExpectKeyword(Keyword::kTable); !s.ok()) return s;
    auto table = ParseName("a table name");
    if (!table.ok()) return table.status();
    alter.table = std::move(table).value();
    if (TakeKeywordIf(Keyword::kHold)) {
        alter.action = AlterTableStatement::Action::kHold;
    } else if (TakeKeywordIf(Keyword::kFree)) {
        alter.action = AlterTableStatement::Action::kFree;
    } else if (TakeKeywordIf(Keyword::kAdd)) {
        alter.action = AlterTableStatement::Action::kAddColumn;
        auto def = ParseColumnDef();
        if (!def.ok()) return def.status();
        alter.column = std::move(def).value();
        alter.hold = TakeKeywordIf(Keyword::kHold);
    } else {
        return Expected("ADD, HOLD or FREE");
    }
    return alter;
}

}  // namespace msi::sql::internal
