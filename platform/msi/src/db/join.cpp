#include "db/join.h"

#include <algorithm>
#include <numeric>
#include <string_view>
#include <unordered_map>

#include "db/record.h"

namespace msi::db {
namespace {

using format::ColumnType;
using ColumnMap = std::span<const std::pair<size_t, size_t>>;

// A row index not chosen yet: the table belongs to another group.
constexpr uint32_t kNoRow = UINT32_MAX;

// The condition's view of one combination, given as a row index per table.
class CombinationRow final : public sql::RowAccessor {
  public:
    CombinationRow(const Database& db, std::span<const std::shared_ptr<Table>> tables,
                   ColumnMap columns)
        : db_(db), tables_(tables), columns_(columns) {}

    void Point(const uint32_t* rows) { rows_ = rows; }

    bool IsNull(int column) const override {
        auto [t, c] = columns_[column];
        return IsNullCell(tables_[t]->schema().columns[c].type, Cell(column));
    }
    int32_t GetInteger(int column) const override { return static_cast<int32_t>(Cell(column)); }
    std::string_view GetString(int column) const override {
        // The pool does not change while a query runs, so the view stays valid.
        auto text = db_.TextView(Cell(column));
        return text.ok() ? *text : std::string_view();
    }

  private:
    uint32_t Cell(int column) const {
        auto [t, c] = columns_[column];
        return tables_[t]->rows()[rows_[t]]->cells[c];
    }

    const Database& db_;
    std::span<const std::shared_ptr<Table>> tables_;
    ColumnMap columns_;
    const uint32_t* rows_ = nullptr;
};

// A key per row of a linked column, such that two cells get the same key
// exactly when the condition finds them equal: an integer column's cell
// itself (null, INT32_MIN, equals only null), for a string column a number
// per distinct text, with null, "" and an unreadable id all being "".
class KeyMaker {
  public:
    explicit KeyMaker(const Database& db) : db_(db) { ordinals_.emplace(std::string_view(), 0); }

    const std::vector<uint32_t>& Keys(std::span<const std::shared_ptr<Table>> tables, size_t table,
                                      size_t column) {
        auto [it, made] = keys_.try_emplace({table, column});
        if (!made) return it->second;
        const Table& t = *tables[table];
        const bool integer = !t.schema().columns[column].type.IsString();
        std::vector<uint32_t>& keys = it->second;
        keys.reserve(t.row_count());
        if (!integer) ordinals_.reserve(ordinals_.size() + t.row_count());
        for (const auto& row : t.rows()) {
            const uint32_t cell = row->cells[column];
            if (integer) {
                keys.push_back(cell);
                continue;
            }
            keys.push_back(OrdinalOf(cell));
        }
        return keys;
    }

  private:
    static constexpr uint32_t kUnknown = UINT32_MAX;

    // Texts are hashed once per string id, not once per cell.
    uint32_t OrdinalOf(uint32_t id) {
        if (ordinal_of_id_.size() < db_.pool().IdLimit())
            ordinal_of_id_.resize(db_.pool().IdLimit(), kUnknown);
        if (id < ordinal_of_id_.size() && ordinal_of_id_[id] != kUnknown) return ordinal_of_id_[id];
        auto text = db_.TextView(id);
        const std::string_view value = text.ok() ? *text : std::string_view();
        const uint32_t ordinal =
            ordinals_.try_emplace(value, static_cast<uint32_t>(ordinals_.size())).first->second;
        if (id < ordinal_of_id_.size()) ordinal_of_id_[id] = ordinal;
        return ordinal;
    }

    struct PairHash {
        size_t operator()(const std::pair<size_t, size_t>& p) const {
            return std::hash<size_t>()(p.first * 1'000'003u + p.second);
        }
    };
    const Database& db_;
    std::unordered_map<std::string_view, uint32_t> ordinals_;
    std::vector<uint32_t> ordinal_of_id_;  // kUnknown until the id is met
    std::unordered_map<std::pair<size_t, size_t>, std::vector<uint32_t>, PairHash> keys_;
};

// The rows of one column grouped by key; within a key in stored order.
class KeyIndex {
  public:
    explicit KeyIndex(const std::vector<uint32_t>& keys) {
        for (uint32_t key : keys) ++ranges_[key].second;
        uint32_t start = 0;
        for (auto& [key, range] : ranges_) {
            range.first = start;
            start += range.second;
            range.second = range.first;  // filled up to its end below
        }
        rows_.resize(keys.size());
        for (uint32_t row = 0; row < keys.size(); ++row) rows_[ranges_[keys[row]].second++] = row;
    }

    std::span<const uint32_t> RowsOf(uint32_t key) const {
        auto it = ranges_.find(key);
        if (it == ranges_.end()) return {};
        return std::span<const uint32_t>(rows_).subspan(it->second.first,
                                                        it->second.second - it->second.first);
    }

  private:
    std::vector<uint32_t> rows_;
    std::unordered_map<uint32_t, std::pair<uint32_t, uint32_t>> ranges_;  // [begin, end)
};

// `A.x = B.y` between two tables of the query.
struct Link {
    size_t table[2];
    size_t column[2];
};

Status TooLarge() {
    return Status::Unsupported("join too large");
}

// The combinations of one group of linked tables that meet every link, with
// a row index for each of the group's tables and kNoRow for the others
// (tables.size() indexes each). The group starts from its smallest table
// and takes in the smallest table linked to those it has, each through a
// look-up of its key.
Result<std::vector<uint32_t>> JoinGroup(std::span<const std::shared_ptr<Table>> tables,
                                        const std::vector<size_t>& members,
                                        const std::vector<Link>& links, KeyMaker& keys) {
    const size_t width = tables.size();
    auto fewer_rows = [&](size_t a, size_t b) {
        return tables[a]->row_count() < tables[b]->row_count();
    };
    const size_t first = *std::min_element(members.begin(), members.end(), fewer_rows);
    std::vector<bool> joined(width, false);
    joined[first] = true;
    std::vector<uint32_t> found(tables[first]->row_count() * width, kNoRow);
    for (size_t r = 0; r < tables[first]->row_count(); ++r)
        found[r * width + first] = static_cast<uint32_t>(r);

    // A link from the next table to one joined before it.
    struct Step {
        size_t column, other_table, other_column;
    };
    for (size_t taken = 1; taken < members.size() && !found.empty(); ++taken) {
        // The next table: the smallest of those linked to the joined ones.
        size_t next = SIZE_MAX;
        for (const Link& link : links) {
            for (int side = 0; side < 2; ++side) {
                const size_t t = link.table[side];
                if (joined[t] || !joined[link.table[1 - side]]) continue;
                if (next == SIZE_MAX || fewer_rows(t, next) || (!fewer_rows(next, t) && t < next))
                    next = t;
            }
        }
        std::vector<Step> steps;
        for (const Link& link : links) {
            for (int side = 0; side < 2; ++side) {
                if (link.table[side] == next && joined[link.table[1 - side]])
                    steps.push_back(
                        {link.column[side], link.table[1 - side], link.column[1 - side]});
            }
        }
        // The first link finds the candidate rows; the others must hold too.
        const KeyIndex index(keys.Keys(tables, next, steps[0].column));
        std::vector<const std::vector<uint32_t>*> own, other;
        for (const Step& step : steps) {
            own.push_back(&keys.Keys(tables, next, step.column));
            other.push_back(&keys.Keys(tables, step.other_table, step.other_column));
        }
        std::vector<uint32_t> extended;
        for (size_t at = 0; at < found.size(); at += width) {
            const uint32_t* combination = &found[at];
            for (uint32_t row : index.RowsOf((*other[0])[combination[steps[0].other_table]])) {
                bool match = true;
                for (size_t s = 1; s < steps.size() && match; ++s)
                    match = (*own[s])[row] == (*other[s])[combination[steps[s].other_table]];
                if (!match) continue;
                if (extended.size() / width >= kMaxJoinRows) return TooLarge();
                extended.insert(extended.end(), combination, combination + width);
                extended[extended.size() - width + next] = row;
            }
        }
        found = std::move(extended);
        joined[next] = true;
    }
    return found;
}

// The order of the plain product: the last table turns slowest.
void SortInProductOrder(std::vector<uint32_t>& found, size_t width) {
    auto less = [width](const uint32_t* a, const uint32_t* b) {
        for (size_t t = width; t-- > 0;)
            if (a[t] != b[t]) return a[t] < b[t];
        return false;
    };
    const size_t count = found.size() / width;
    bool sorted = true;
    for (size_t i = 1; i < count && sorted; ++i)
        sorted = !less(&found[i * width], &found[(i - 1) * width]);
    if (sorted) return;
    std::vector<uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(),
              [&](uint32_t a, uint32_t b) { return less(&found[a * width], &found[b * width]); });
    std::vector<uint32_t> result;
    result.reserve(found.size());
    for (uint32_t position : order)
        result.insert(result.end(), &found[position * width], &found[position * width] + width);
    found = std::move(result);
}

}  // namespace

Result<std::vector<uint32_t>> FindJoinedRows(const Database& db,
                                             std::span<const std::shared_ptr<Table>> tables,
                                             ColumnMap columns, const sql::BoundCondition* where,
                                             std::span<const sql::FieldValue> params) {
    const size_t width = tables.size();
    std::vector<uint32_t> found;
    for (const auto& table : tables)
        if (table->row_count() == 0) return found;
    if (width == 0) return found;

    std::vector<Link> links;
    if (where) {
        for (auto [a, b] : where->RequiredEqualities()) {
            auto [table_a, column_a] = columns[a];
            auto [table_b, column_b] = columns[b];
            if (table_a != table_b) links.push_back({{table_a, table_b}, {column_a, column_b}});
        }
    }
    // Groups of tables linked to each other, in the order of their first table.
    std::vector<size_t> group(width);
    std::iota(group.begin(), group.end(), size_t{0});
    for (bool merged = true; merged;) {
        merged = false;
        for (const Link& link : links) {
            const size_t low = std::min(group[link.table[0]], group[link.table[1]]);
            for (size_t side : link.table) {
                if (group[side] != low) {
                    group[side] = low;
                    merged = true;
                }
            }
        }
    }
    std::vector<std::vector<size_t>> members;
    std::vector<std::vector<uint32_t>> parts;
    KeyMaker keys(db);
    uint64_t combinations = 1;
    for (size_t g = 0; g < width; ++g) {
        std::vector<size_t> tables_of_group;
        for (size_t t = 0; t < width; ++t)
            if (group[t] == g) tables_of_group.push_back(t);
        if (tables_of_group.empty()) continue;
        auto part = JoinGroup(tables, tables_of_group, links, keys);
        if (!part.ok()) return part.status();
        // Groups that nothing links multiply, as every table did before links.
        combinations *= part->size() / width;
        if (combinations == 0) return found;
        if (combinations > kMaxJoinRows) return TooLarge();
        members.push_back(std::move(tables_of_group));
        parts.push_back(std::move(part).value());
    }

    // Every combination of one result per group, the first group turning
    // fastest, checked against the whole condition.
    CombinationRow row(db, tables, columns);
    std::vector<size_t> at(parts.size(), 0);
    std::vector<uint32_t> combination(width);
    for (;;) {
        for (size_t g = 0; g < parts.size(); ++g)
            for (size_t t : members[g]) combination[t] = parts[g][at[g] + t];
        row.Point(combination.data());
        if (!where || where->Evaluate(row, params))
            found.insert(found.end(), combination.begin(), combination.end());
        size_t g = 0;
        for (; g < parts.size(); ++g) {
            at[g] += width;
            if (at[g] < parts[g].size()) break;
            at[g] = 0;
        }
        if (g == parts.size()) break;
    }
    SortInProductOrder(found, width);
    return found;
}

}  // namespace msi::db
