// The parser's state and rules, shared by the files that implement them:
// parser.cpp (statements, names, values), condition_parser.cpp (WHERE) and
// schema_parser.cpp (CREATE TABLE, ALTER TABLE, column definitions).
// Internal to the sql module.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/status.h"
#include "sql/ast.h"
#include "sql/token.h"

namespace msi::sql::internal {

class Parser {
  public:
    explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

    Result<Statement> ParseStatement();

  private:
    const Token& Peek() const { return tokens_[pos_]; }
    const Token& Take() { return tokens_[pos_ < tokens_.size() - 1 ? pos_++ : pos_]; }
    bool At(TokenKind kind) const { return Peek().kind == kind; }
    bool AtKeyword(Keyword keyword) const {
        return Peek().kind == TokenKind::kKeyword && Peek().keyword == keyword;
    }
    bool TakeIf(TokenKind kind) {
        if (!At(kind)) return false;
        Take();
        return true;
    }
    bool TakeKeywordIf(Keyword keyword) {
        if (!AtKeyword(keyword)) return false;
        Take();
        return true;
    }

    // "col N: expected <what>, found <token>", at the current token.
    Status Expected(const std::string& what) const { return ErrorAt(Peek(), Found(what)); }
    std::string Found(const std::string& what) const {
        std::string message = "expected " + what + ", found " + DescribeToken(Peek());
        const bool only_a_name =
            what.find("name") != std::string::npos && what.find(" or ") == std::string::npos;
        if (Peek().kind == TokenKind::kKeyword && only_a_name) {
            // The commonest mistake: a column called `Key` or `Order`.
            // Names are case-sensitive, so the hint keeps the user's spelling.
            message += " (quote it as `" + Peek().text + "` to use it as a name)";
        }
        return message;
    }
    static Status ErrorAt(const Token& token, const std::string& message) {
        return Status::InvalidArgument("col " + std::to_string(token.column) + ": " + message);
    }
    Status ExpectKeyword(Keyword keyword) {
        if (TakeKeywordIf(keyword)) return Status::Ok();
        return Expected(std::string(KeywordSpelling(keyword)));
    }
    Status ExpectToken(TokenKind kind, const std::string& what) {
        if (TakeIf(kind)) return Status::Ok();
        return Expected(what);
    }

    Result<std::string> ParseName(const std::string& what);
    Result<ColumnRef> ParseColumnRef();
    Result<std::vector<ColumnRef>> ParseColumnList();
    Result<Value> ParseValue();

    Result<SelectStatement> ParseSelect();
    Result<InsertStatement> ParseInsert();
    Result<UpdateStatement> ParseUpdate();
    Result<DeleteStatement> ParseDelete();
    Result<CreateTableStatement> ParseCreate();
    Result<DropTableStatement> ParseDrop();
    Result<AlterTableStatement> ParseAlter();
    Result<ColumnDef> ParseColumnDef();

    Result<Condition> ParseOr();
    Result<Condition> ParseAnd();
    Result<Condition> ParsePrimary();
    Result<Condition> ParsePredicate();

    std::vector<Token> tokens_;
    size_t pos_ = 0;
    int parameter_count_ = 0;
    int nesting_ = 0;
};

}  // namespace msi::sql::internal
