// The marks over the grid against Deltalens' own listing: for every real
// transform with its base package in the shared fixtures, each table has as
// many changes as deltalens-cli lists for it, and the marks say back exactly
// the listed rows: inserted and deleted rows by key, changed cells with the
// values before and after, added and dropped tables, added columns.
#include "change_marks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>

#include "text_escape.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

class RecordedOutcomes : public diag::OutcomeSink {
  public:
    void Tell(const diag::Outcome& outcome) override { told.push_back(outcome); }
    std::vector<diag::Outcome> told;
};

// Each transform of a fixture folder that holds exactly one package, with it.
std::vector<std::pair<fs::path, fs::path>> RealTransformPairs() {
    std::vector<std::pair<fs::path, fs::path>> pairs;
    for (const fs::path& transform : testing_support::FixtureFiles({".mst"})) {
        std::vector<fs::path> packages;
        for (const auto& entry : fs::directory_iterator(transform.parent_path()))
            if (entry.path().extension() == ".msi") packages.push_back(entry.path());
        if (packages.size() == 1) pairs.emplace_back(packages.front(), transform);
    }
    return pairs;
}

Rows ParseTsv(const std::string& text) {
    Rows rows;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        std::vector<std::string> row;
        for (std::size_t cell_start = 0;;) {
            const std::size_t tab = line.find('\t', cell_start);
            std::string cell;
            EXPECT_TRUE(cli::UnescapeCell(line.substr(cell_start, tab - cell_start), cell)) << line;
            row.push_back(std::move(cell));
            if (tab == std::string::npos) break;
            cell_start = tab + 1;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// One listed change as a line, markers and cells spelled apart so that a
// marker taken for a cell shows; schema changes by table and column only, as
// the marks keep no column definitions.
// A binary cell as either side names it: deltalens-cli shows its bytes
// ("[6,144 bytes 527fb9c2]"), the marks keep the installer's stream name
// ("Binary.Enterprise.mnt", the table and the key joined by dots).
std::string Value(const std::string& table, const std::string& row, const std::string& value) {
    static const std::regex shown_bytes(R"(\[[0-9,]+ bytes [0-9a-f]+\])");
    std::string stream = table + "." + row;
    std::replace(stream.begin(), stream.end(), '\t', '.');
    if (value == stream || std::regex_match(value, shown_bytes)) return "<stream>";
    return value;
}

std::string CellLine(const std::string& table, const std::string& column, const std::string& row,
                     const std::string& data, const std::string& current) {
    return table + " [" + row + "] cell " + column + ": " + Value(table, row, current) + " -> " +
           Value(table, row, data);
}

std::string ChangeLine(const std::string& table, const std::string& column, const std::string& row,
                       const std::string& data, const std::string& current) {
    if (row.empty()) return table + " schema " + column;
    if (column == "INSERT" || column == "DELETE") return table + " [" + row + "] " + column;
    return CellLine(table, column, row, data, current);
}

// The listing the marks describe, one line per change.
std::vector<std::string> ListedByMarks(const viewer::ChangeMarks& marks) {
    std::vector<std::string> lines;
    for (const viewer::TableChanges& table : marks.Tables()) {
        if (table.added) lines.push_back(table.name + " schema CREATE");
        if (table.dropped) lines.push_back(table.name + " schema DROP");
        for (const std::string& column : table.added_columns)
            lines.push_back(table.name + " schema " + column);
        for (const viewer::RowChanges& row : table.rows) {
            const std::string& key = row.key;
            if (row.mark == viewer::RowChange::kInserted)
                lines.push_back(table.name + " [" + key + "] INSERT");
            if (row.mark == viewer::RowChange::kDeleted)
                lines.push_back(table.name + " [" + key + "] DELETE");
            for (const viewer::CellEdit& cell : row.cells)
                lines.push_back(CellLine(table.name, cell.column, key, cell.after, cell.before));
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST(ChangeMarksTest, RealTransformsAreMarkedAsDeltalensListsThem) {
    VSB_REQUIRE_FIXTURES(files, ".mst");
    const auto pairs = RealTransformPairs();
    ASSERT_FALSE(pairs.empty());
    for (const auto& [package, transform] : pairs) {
        SCOPED_TRACE(transform.string());
        const testing_support::RunResult listed = testing_support::Run(
            {DELTALENS_CLI_PATH, "--format", "tsv", package.string(), transform.string()});
        ASSERT_EQ(listed.status, 0) << listed.err;
        Rows rows = ParseTsv(listed.out);
        ASSERT_FALSE(rows.empty());
        rows.erase(rows.begin());  // the header line

        std::map<std::string, std::size_t> listed_counts;
        std::vector<std::string> listed_lines;
        for (const auto& row : rows) {
            ASSERT_EQ(row.size(), 5u);
            ++listed_counts[row[0]];
            listed_lines.push_back(ChangeLine(row[0], row[1], row[2], row[3], row[4]));
        }
        std::sort(listed_lines.begin(), listed_lines.end());

        viewer::ChangeMarks marks;
        RecordedOutcomes outcomes;
        ASSERT_TRUE(marks.Mark(package.string(), {transform.string()}, outcomes));
        EXPECT_TRUE(outcomes.told.empty());
        std::map<std::string, std::size_t> marked_counts;
        for (const viewer::TableChanges& table : marks.Tables()) {
            marked_counts[table.name] = table.change_count;
            // A deleted row keeps the package's values, its key first.
            for (const viewer::RowChanges& row : table.rows) {
                if (row.mark != viewer::RowChange::kDeleted) continue;
                ASSERT_FALSE(row.values.empty()) << table.name << " " << row.key;
                EXPECT_EQ(row.key.substr(0, row.key.find('\t')), row.values[0]) << table.name;
                EXPECT_EQ(table.FindRow(row.key), &row);
            }
        }
        EXPECT_EQ(marked_counts, listed_counts);
        EXPECT_EQ(marks.ChangeCount(), rows.size());
        EXPECT_EQ(ListedByMarks(marks), listed_lines);
    }
}

// Deltalens prints what its Apply tells: the text, then "cause: " and the cause.
TEST(ChangeMarksTest, FailuresSayWhatDeltalensApplySays) {
    VSB_REQUIRE_FIXTURE(package, "real/adobe-reader/AcroRead.msi");
    VSB_REQUIRE_FIXTURE(transform, "real/adobe-reader/AcroRead-kw.mst");
    const std::pair<fs::path, fs::path> cases[] = {
        {transform, transform},  // a transform is no package
        {package.parent_path() / "absent.msi", transform},
        {package, package},  // a package is no transform
        {package, package.parent_path() / "absent.mst"},
    };
    for (const auto& [package_path, transform_path] : cases) {
        SCOPED_TRACE(package_path.string() + " + " + transform_path.string());
        viewer::ChangeMarks marks;
        RecordedOutcomes outcomes;
        EXPECT_FALSE(marks.Mark(package_path.string(), {transform_path.string()}, outcomes));
        EXPECT_TRUE(marks.Tables().empty());
        ASSERT_EQ(outcomes.told.size(), 1u);
        EXPECT_EQ(outcomes.told[0].kind, diag::OutcomeKind::kStop);
        const testing_support::RunResult listed = testing_support::Run(
            {DELTALENS_CLI_PATH, package_path.string(), transform_path.string()});
        EXPECT_EQ(listed.err, outcomes.told[0].text + "\ncause: " + outcomes.told[0].cause + "\n");
    }
}

// A patch stands for its pairs that fit the package, as in Deltalens'
// listing (whose first column names the pair); one made for another product
// is refused with Deltalens' words.
TEST(ChangeMarksTest, PatchIsMarkedAsDeltalensListsIt) {
    VSB_REQUIRE_FIXTURE(package, "real/wix3/RtmProduct.msi");
    VSB_REQUIRE_FIXTURE(patch, "real/wix3/gdr1.msp");
    VSB_REQUIRE_FIXTURE(other, "real/wix3/he-il.msi");
    const testing_support::RunResult listed = testing_support::Run(
        {DELTALENS_CLI_PATH, "--format", "tsv", package.string(), patch.string()});
    ASSERT_EQ(listed.status, 0) << listed.err;
    Rows rows = ParseTsv(listed.out);
    ASSERT_GT(rows.size(), 1u);
    std::map<std::string, std::size_t> listed_counts;
    for (std::size_t row = 1; row < rows.size(); ++row) ++listed_counts[rows[row].at(1)];

    viewer::ChangeMarks marks;
    RecordedOutcomes outcomes;
    ASSERT_TRUE(marks.Mark(package.string(), {patch.string()}, outcomes));
    EXPECT_TRUE(outcomes.told.empty());
    std::map<std::string, std::size_t> marked_counts;
    for (const viewer::TableChanges& table : marks.Tables())
        marked_counts[table.name] = table.change_count;
    EXPECT_EQ(marked_counts, listed_counts);

    EXPECT_FALSE(marks.Mark(other.string(), {patch.string()}, outcomes));
    ASSERT_EQ(outcomes.told.size(), 1u);
    EXPECT_EQ(outcomes.told[0].kind, diag::OutcomeKind::kStop);
    const testing_support::RunResult refused =
        testing_support::Run({DELTALENS_CLI_PATH, other.string(), patch.string()});
    EXPECT_EQ(refused.err.substr(0, refused.err.find('\n')), outcomes.told[0].text);
}

TEST(ChangeMarksTest, SummaryGroupsThousands) {
    const std::pair<std::size_t, const char*> cases[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {19259, "19,259"}, {1234567, "1,234,567"}};
    for (const auto& [number, text] : cases) EXPECT_EQ(viewer::GroupedNumber(number), text);
}

}  // namespace
