// A real transform's changes on the viewer's widgets: every table's count in
// the list, every marked row and changed cell of the grid, as ChangeMarks
// finds them over a database of its own; the files stay as they were.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QStatusBar>
#include <QTableView>

#include "change_marks.h"
#include "row_model.h"
#include "table_list_model.h"
#include "test_support.h"
#include "transform_marks.h"
#include "viewer_main_window.h"
#include "viewer_test_support.h"

namespace {

viewer::RowMark Expected(const viewer::RowChanges* row) {
    if (row == nullptr) return viewer::RowMark::kNone;
    switch (row->mark) {
        case viewer::RowChange::kInserted:
            return viewer::RowMark::kInserted;
        case viewer::RowChange::kDeleted:
            return viewer::RowMark::kDeleted;
        case viewer::RowChange::kChanged:
            break;
    }
    return viewer::RowMark::kChanged;
}

TEST(TransformMarksTest, GridShowsWhatTheTransformDoes) {
    VSB_REQUIRE_FIXTURE(package, "real/adobe-reader/AcroRead.msi");
    VSB_REQUIRE_FIXTURE(transform, "real/adobe-reader/AcroRead-kw.mst");
    const std::string package_before = testing_support::ReadFile(package);
    viewer::ChangeMarks expected;
    viewer_test::RecordingSink sink;
    ASSERT_TRUE(expected.Mark(package.string(), {transform.string()}, sink));

    auto window = viewer::ViewerMainWindow::Open(
        {package.string(), {transform.string()}, "", {}, viewer::MakeTransformMarks}, sink);
    ASSERT_TRUE(window) << (sink.outcomes.empty() ? "" : sink.outcomes[0].cause);
    window->show();
    EXPECT_EQ(window->windowTitle().toStdString(), "AcroRead.msi + AcroRead-kw.mst");
    bool summary_shown = false;
    for (QLabel* label : window->statusBar()->findChildren<QLabel*>())
        summary_shown |= label->text().toStdString() == expected.SummaryText();
    EXPECT_TRUE(summary_shown) << expected.SummaryText();

    const QAbstractItemModel& list = *window->TableList()->model();
    for (int row = 0; row < list.rowCount(); ++row) {
        const std::string name = list.index(row, 0).data(Qt::UserRole).toString().toStdString();
        const viewer::TableChanges* table = expected.FindTable(name);
        EXPECT_EQ(list.index(row, viewer::TableListModel::kChanges).data().toInt(),
                  table ? static_cast<int>(table->change_count) : 0)
            << name;
        const bool added = table && table->added;
        EXPECT_EQ(list.index(row, 0).data().toString().endsWith("(added)"), added) << name;
        if (!table) continue;

        ASSERT_TRUE(window->ShowTable(static_cast<std::size_t>(row))) << name;
        viewer::RowModel& grid = *window->Rows();
        std::size_t marked = 0;
        for (int shown = 0; shown < grid.rowCount(); ++shown) {
            const std::vector<std::string> key = grid.Rows()->Key(grid.SourceRow(shown));
            const viewer::RowChanges* changes = table->FindRow(viewer::RowKeyText(key));
            const auto mark = static_cast<viewer::RowMark>(
                grid.index(shown, 0).data(viewer::RowModel::kMarkRole).toInt());
            ASSERT_EQ(mark, Expected(changes)) << name << " " << viewer::RowKeyText(key);
            if (!changes) continue;
            ++marked;
            EXPECT_EQ(grid.index(shown, 0).data(Qt::FontRole).value<QFont>().strikeOut(),
                      mark == viewer::RowMark::kDeleted);
            for (int column = 0; column < grid.columnCount(); ++column) {
                const std::string& column_name = grid.Rows()->Columns()[column].name;
                const viewer::CellEdit* cell = changes->FindCell(column_name);
                if (!cell) continue;
                const QModelIndex at = grid.index(shown, column);
                if (mark == viewer::RowMark::kChanged) {
                    window->Grid()->setCurrentIndex(at);
                    EXPECT_EQ(window->Status()->text().toStdString(),
                              name + "." + column_name + ": \"" + cell->before + "\" \u2192 \"" +
                                  cell->after + "\"");
                }
                // The grid shows the package as the transform leaves it; the
                // installer names a binary cell's new data by its stream.
                if (!grid.Rows()->Columns()[column].IsBinary()) {
                    EXPECT_EQ(at.data(viewer::RowModel::kWholeTextRole).toString().toStdString(),
                              cell->after);
                }
                EXPECT_EQ(at.data(Qt::ToolTipRole).toString().toStdString(),
                          "Before: " + cell->before + "\nAfter: " + cell->after);
            }
        }
        EXPECT_EQ(marked, table->rows.size()) << name;
        EXPECT_EQ(grid.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString().endsWith("added"),
                  added)
            << name;
        window->ChangedOnly()->setChecked(true);
        EXPECT_EQ(static_cast<std::size_t>(grid.rowCount()), table->rows.size()) << name;
        window->ChangedOnly()->setChecked(false);
    }
    window.reset();
    EXPECT_TRUE(testing_support::ReadFile(package) == package_before);
}

// A patch opens the viewer named by its file when a pair fits, and not at all
// when none does.
TEST(TransformMarksTest, PatchOpensOnlyOverAPackageItFits) {
    VSB_REQUIRE_FIXTURE(package, "real/wix3/RtmProduct.msi");
    VSB_REQUIRE_FIXTURE(patch, "real/wix3/gdr1.msp");
    VSB_REQUIRE_FIXTURE(other, "real/wix3/he-il.msi");
    viewer_test::RecordingSink sink;
    auto window = viewer::ViewerMainWindow::Open(
        {package.string(), {patch.string()}, "", {}, viewer::MakeTransformMarks}, sink);
    ASSERT_TRUE(window) << (sink.outcomes.empty() ? "" : sink.outcomes[0].cause);
    EXPECT_EQ(window->windowTitle().toStdString(), "RtmProduct.msi + gdr1.msp");
    window.reset();

    EXPECT_FALSE(viewer::ViewerMainWindow::Open(
        {other.string(), {patch.string()}, "", {}, viewer::MakeTransformMarks}, sink));
    ASSERT_EQ(sink.outcomes.size(), 1u);
    EXPECT_EQ(sink.outcomes[0].kind, diag::OutcomeKind::kStop);
}

}  // namespace
