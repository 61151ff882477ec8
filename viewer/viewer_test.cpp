// The viewer on real widgets: the table list, the grid's key order, sorting
// and filter, and a package that does not open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableView>

#include "msiquery.h"
#include "row_model.h"
#include "test_support.h"
#include "viewer_main_window.h"
#include "viewer_test_support.h"

namespace {

using viewer_test::Cells;
using viewer_test::MakePackage;
using viewer_test::RecordingSink;

void ClickHeader(QTableView& grid, int section) {
    QHeaderView* header = grid.horizontalHeader();
    QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
              header->height() / 2);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, header->viewport()->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(header->viewport(), &event);
    }
}

class ViewerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        package_ = (temp_.path() / "p.msi").string();
        MakePackage(package_,
                    {"CREATE TABLE `Zeta` (`Number` SHORT NOT NULL, `Name` CHAR(20) PRIMARY KEY "
                     "`Number`)",
                     "INSERT INTO `Zeta` (`Number`, `Name`) VALUES (10, 'ten')",
                     "INSERT INTO `Zeta` (`Number`, `Name`) VALUES (9, 'Nine')",
                     "INSERT INTO `Zeta` (`Number`, `Name`) VALUES (100, 'a hundred')",
                     "INSERT INTO `Zeta` (`Number`, `Name`) VALUES (-2, 'minus two')",
                     "CREATE TABLE `alpha` (`A` CHAR(72) NOT NULL, `B` LONG PRIMARY KEY `A`)",
                     "CREATE TABLE `Beta` (`K` CHAR(72) NOT NULL, `V` CHAR(0) LOCALIZABLE "
                     "PRIMARY KEY `K`)",
                     "INSERT INTO `Beta` (`K`, `V`) VALUES ('k', 'v')"});
    }

    std::unique_ptr<viewer::ViewerMainWindow> Open(const std::string& table = "") {
        auto window = viewer::ViewerMainWindow::Open({package_, {}, table, {}, {}}, sink_);
        if (window) window->show();
        return window;
    }

    testing_support::TempDir temp_;
    std::string package_;
    RecordingSink sink_;
};

TEST_F(ViewerTest, TableListNamesEveryTableInNameOrderWithItsRowsAndSystemMark) {
    auto window = Open();
    ASSERT_TRUE(window);
    QAbstractItemModel* list = window->TableList()->model();
    std::vector<std::string> shown;
    for (int row = 0; row < list->rowCount(); ++row)
        shown.push_back(list->index(row, 0).data().toString().toStdString() + " " +
                        list->index(row, 1).data().toString().toStdString());
    EXPECT_EQ(shown, (std::vector<std::string>{"_Columns  (system) 6", "_Storages  (system) 0",
                                               "_Streams  (system) 0", "_Tables  (system) 3",
                                               "alpha 0", "Beta 1", "Zeta 4"}));
    EXPECT_EQ(window->windowTitle().toStdString(), "p.msi");
    // The first table is shown at once.
    EXPECT_EQ(window->CurrentTable(), std::optional<std::size_t>(0));
}

TEST_F(ViewerTest, RowsComeInKeyOrderAndAHeaderClickSortsByItsColumnThenReverses) {
    auto window = Open("Zeta");
    ASSERT_TRUE(window);
    QAbstractItemModel* rows = window->Grid()->model();
    EXPECT_EQ(rows->headerData(0, Qt::Horizontal).toString().toStdString(),
              "Number\ni2 \u2022 key");
    EXPECT_EQ(rows->headerData(1, Qt::Horizontal).toString().toStdString(), "Name\nS20");
    // Integer keys as numbers: text order would put 100 before 9.
    EXPECT_EQ(Cells(*rows, 0), (std::vector<std::string>{"-2", "9", "10", "100"}));
    struct Click {
        int column;
        std::vector<std::string> numbers;
    };
    const Click clicks[] = {
        {1, {"9", "100", "-2", "10"}},  // text in byte order: "Nine" before "a hundred"
        {1, {"10", "-2", "100", "9"}},  // again: reversed
        {0, {"-2", "9", "10", "100"}},
        {0, {"100", "10", "9", "-2"}},
    };
    for (const Click& click : clicks) {
        ClickHeader(*window->Grid(), click.column);
        EXPECT_EQ(Cells(*rows, 0), click.numbers) << "column " << click.column;
    }
}

TEST_F(ViewerTest, FilterKeepsRowsHoldingItsTextInAnyCellWhateverTheCase) {
    auto window = Open("Zeta");
    ASSERT_TRUE(window);
    QAbstractItemModel* rows = window->Grid()->model();
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"nIN", {"9"}},        // "Nine"
        {"T", {"-2", "10"}},   // "minus two", "ten"
        {"1", {"10", "100"}},  // in the number column
        {"nothing", {}},      {"", {"-2", "9", "10", "100"}},
    };
    for (const auto& [text, numbers] : cases) {
        window->FilterBox()->setText(text);
        EXPECT_EQ(Cells(*rows, 0), numbers) << text;
    }
}

TEST_F(ViewerTest, APackageThatDoesNotOpenGivesAStopWithItsCauseAndNoWindow) {
    const std::string missing = (temp_.path() / "missing.msi").string();
    const std::string foreign = (temp_.path() / "foreign.msi").string();
    testing_support::WriteFile(foreign, "not a package at all");
    for (const std::string& path : {missing, foreign}) {
        sink_.outcomes.clear();
        auto window = viewer::ViewerMainWindow::Open({path, {}, "", {}, {}}, sink_);
        EXPECT_FALSE(window);
        ASSERT_EQ(sink_.outcomes.size(), 1u);
        EXPECT_EQ(sink_.outcomes[0].kind, diag::OutcomeKind::kStop);
        EXPECT_EQ(sink_.outcomes[0].text, "Can't open MSI Database " + path + "!");
        EXPECT_NE(sink_.outcomes[0].cause, "") << path;
    }
}

}  // namespace
