// The viewer's tools on real widgets: find in all tables, copy, export,
// binary cells, long texts, summary information and a damaged table.
#include <gtest/gtest.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QtTest/QTest>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

#include "msiquery.h"
#include "row_model.h"
#include "test_support.h"
#include "viewer_main_window.h"
#include "viewer_test_support.h"
#include "window/clipboard.h"
#include "window/ui_test_hook.h"

namespace {

using viewer_test::RecordingSink;

const std::string kLongText = "first line\r\nsecond line\twith a tab";

class ViewerToolsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        package_ = (temp_.path() / "tools.msi").string();
        testing_support::WriteFile(temp_.path() / "blob", std::string("AB\0\x7f\xff", 5));
        viewer_test::MakePackage(
            package_,
            {"CREATE TABLE `Item` (`Id` SHORT NOT NULL, `Name` CHAR(40), `Size` LONG "
             "PRIMARY KEY `Id`)",
             "INSERT INTO `Item` (`Id`, `Name`, `Size`) VALUES (1, 'apple', 17)",
             "INSERT INTO `Item` (`Id`, `Name`, `Size`) VALUES (2, 'Pineapple', 7)",
             "INSERT INTO `Item` (`Id`, `Name`, `Size`) VALUES (3, 'seven', 70)",
             "CREATE TABLE `Note` (`Key` CHAR(20) NOT NULL, `Text` CHAR(0) PRIMARY KEY `Key`)",
             "CREATE TABLE `Binary` (`Name` CHAR(72) NOT NULL, `Data` OBJECT PRIMARY KEY "
             "`Name`)"},
            [this](MSIHANDLE database) {
                MSIHANDLE record = MsiCreateRecord(2);
                MsiRecordSetStringA(record, 1, "long");
                MsiRecordSetStringA(record, 2, kLongText.c_str());
                viewer_test::Execute(database, "INSERT INTO `Note` (`Key`, `Text`) VALUES (?, ?)",
                                     record);
                MsiRecordSetStringA(record, 1, "Blob");
                MsiRecordSetStreamA(record, 2, (temp_.path() / "blob").c_str());
                viewer_test::Execute(database,
                                     "INSERT INTO `Binary` (`Name`, `Data`) VALUES (?, ?)", record);
                MsiCloseHandle(record);
                MSIHANDLE summary = 0;
                MsiGetSummaryInformationA(database, nullptr, 4, &summary);
                MsiSummaryInfoSetPropertyA(summary, PID_CODEPAGE, VT_I2, 1252, nullptr, nullptr);
                MsiSummaryInfoSetPropertyA(summary, PID_TITLE, VT_LPSTR, 0, nullptr, "Tools");
                // 2015-06-30T12:00:00Z as 100 ns ticks since 1601.
                const unsigned long long ticks = (1435665600ULL + 11644473600ULL) * 10000000ULL;
                FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
                MsiSummaryInfoSetPropertyA(summary, PID_CREATE_DTM, VT_FILETIME, 0, &time, nullptr);
                MsiSummaryInfoPersist(summary);
                MsiCloseHandle(summary);
            });
        window_ = viewer::ViewerMainWindow::Open({package_, {}, "Item", {}, {}}, sink_);
        ASSERT_TRUE(window_);
        window_->show();
    }

    QModelIndex CellAt(int row, int column) { return window_->Rows()->index(row, column); }

    testing_support::TempDir temp_;
    std::string package_;
    RecordingSink sink_;
    std::unique_ptr<viewer::ViewerMainWindow> window_;
};

TEST_F(ViewerToolsTest, FindListsEveryMatchingCellAndF3WalksTheHits) {
    struct Case {
        viewer::FindOptions options;
        std::vector<std::string> hits;  // table:row:column
    };
    const Case cases[] = {
        {{"apple", false, false}, {"Item:0:1", "Item:1:1"}},
        {{"Apple", false, true}, {}},
        {{"apple", true, false}, {"Item:0:1"}},
        {{"PINEAPPLE", true, false}, {"Item:1:1"}},
        {{"07", true, false}, {"Item:1:2"}},            // the number 7, not 17 or 70
        {{"second line", false, false}, {"Note:0:1"}},  // in a long text
        {{"Blob", true, true}, {"Binary:0:0"}},         // binary cells are not searched
    };
    for (const Case& test : cases) {
        window_->Find(test.options);
        std::vector<std::string> hits;
        for (const viewer::FindHit& hit : window_->Hits())
            hits.push_back(window_->Package().Tables()[hit.table].name + ":" +
                           std::to_string(hit.row) + ":" + std::to_string(hit.column));
        EXPECT_EQ(hits, test.hits) << test.options.text << " whole " << test.options.whole_cell
                                   << " case " << test.options.match_case;
    }
    window_->activateWindow();
    QApplication::processEvents();
    window_->Find({"apple", false, false});
    const std::vector<std::string> walk = {"apple", "Pineapple", "apple", "Pineapple", "apple"};
    std::vector<std::string> seen{window_->Grid()->currentIndex().data().toString().toStdString()};
    for (int step = 0; step < 3; ++step) {  // F3 goes round the list
        QTest::keyClick(window_.get(), Qt::Key_F3);
        seen.push_back(window_->Grid()->currentIndex().data().toString().toStdString());
    }
    QTest::keyClick(window_.get(), Qt::Key_F3, Qt::ShiftModifier);
    seen.push_back(window_->Grid()->currentIndex().data().toString().toStdString());
    EXPECT_EQ(seen, walk);
}

TEST_F(ViewerToolsTest, CopyGivesTabSeparatedWholeTextsWithAHeaderForWholeRows) {
    window_->activateWindow();
    window_->Grid()->setFocus();
    QApplication::processEvents();
    QItemSelectionModel* selection = window_->Grid()->selectionModel();
    for (int row : {0, 2})
        selection->select(CellAt(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    // Ctrl+C in the grid is the window's copy, not the grid's own.
    fw::SetClipboardText("");
    QTest::keyClick(window_->Grid(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(fw::GetClipboardText(), "Id\tName\tSize\n1\tapple\t17\n3\tseven\t70\n");
    selection->clear();
    selection->select(CellAt(1, 1), QItemSelectionModel::Select);
    selection->select(CellAt(2, 2), QItemSelectionModel::Select);
    EXPECT_EQ(window_->CopySelection(), "Pineapple\n70\n");

    ASSERT_TRUE(window_->GoToCell("Note", {"long"}, 1));
    const QModelIndex cell = window_->Grid()->currentIndex();
    EXPECT_EQ(cell.data().toString().toStdString(), "first line \u2026");
    EXPECT_EQ(cell.data(Qt::ToolTipRole).toString().toStdString(), kLongText);
    window_->Grid()->selectionModel()->select(cell, QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(window_->CopySelection(), kLongText + "\n");
}

TEST_F(ViewerToolsTest, ExportTableAsWritesTheChosenFormatThroughATemporaryName) {
    fw::UiTestHook hook;
    const std::pair<std::string, std::string> cases[] = {
        {"item.csv", "Id,Name,Size\r\n1,apple,17\r\n2,Pineapple,7\r\n3,seven,70\r\n"},
        {"item.tsv", "Id\tName\tSize\n1\tapple\t17\n2\tPineapple\t7\n3\tseven\t70\n"},
        {"item.json",
         "[\n  {\"Id\": \"1\", \"Name\": \"apple\", \"Size\": \"17\"},\n"
         "  {\"Id\": \"2\", \"Name\": \"Pineapple\", \"Size\": \"7\"},\n"
         "  {\"Id\": \"3\", \"Name\": \"seven\", \"Size\": \"70\"}\n]\n"},
        {"item.idt",
         "Id\tName\tSize\r\ni2\tS40\tI4\r\nItem\tId\r\n1\tapple\t17\r\n2\tPineapple\t7\r\n"
         "3\tseven\t70\r\n"},
    };
    testing_support::TempDir out;
    for (const auto& [name, expected] : cases) {
        hook.ChooseFile((out.path() / name).string());
        window_->ExportTableAs();
        EXPECT_EQ(testing_support::ReadFile(out.path() / name), expected) << name;
    }
    EXPECT_TRUE(hook.MessageBoxes().empty());
    EXPECT_EQ(out.Entries(),
              (std::vector<std::string>{"item.csv", "item.idt", "item.json", "item.tsv"}));
    // A name taken by a folder: a stop box, nothing left behind.
    std::filesystem::create_directory(out.path() / "taken.csv");
    hook.ChooseFile((out.path() / "taken.csv").string());
    window_->ExportTableAs();
    ASSERT_EQ(hook.MessageBoxes().size(), 1u);
    EXPECT_EQ(hook.MessageBoxes()[0].icon, static_cast<unsigned>(MB_ICONSTOP));
    EXPECT_EQ(out.Entries().size(), 5u);
}

TEST_F(ViewerToolsTest, ABinaryCellShowsItsSizeAHexPreviewAndSavesItsBytes) {
    ASSERT_TRUE(window_->GoToCell("Binary", {"Blob"}, 1));
    EXPECT_EQ(window_->Grid()->currentIndex().data().toString().toStdString(), "[5 bytes]");
    EXPECT_TRUE(window_->Preview()->isVisibleTo(window_.get()));
    EXPECT_EQ(window_->Preview()->toPlainText().toStdString(),
              "00000000  41 42 00 7f ff" + std::string(36, ' ') + "|AB...|\n");
    fw::UiTestHook hook;
    testing_support::TempDir out;
    hook.ChooseFile((out.path() / "blob.bin").string());
    window_->SaveDataButton()->click();
    EXPECT_EQ(testing_support::ReadFile(out.path() / "blob.bin"), std::string("AB\0\x7f\xff", 5));
    EXPECT_EQ(out.Entries(), std::vector<std::string>{"blob.bin"});
    // A text cell hides the preview again.
    ASSERT_TRUE(window_->GoToCell("Binary", {"Blob"}, 0));
    EXPECT_FALSE(window_->Preview()->isVisibleTo(window_.get()));
}

TEST_F(ViewerToolsTest, SummaryListsEachPropertyWithTypeAndValueAndTheDatabaseCodePage) {
    std::vector<std::string> rows;
    QAbstractItemModel* summary = window_->Summary();
    for (int row = 0; row < summary->rowCount(); ++row)
        rows.push_back(summary->index(row, 0).data().toString().toStdString() + " | " +
                       summary->index(row, 1).data().toString().toStdString() + " | " +
                       summary->index(row, 2).data().toString().toStdString());
    EXPECT_EQ(rows, (std::vector<std::string>{
                        "Codepage | Integer | 1252 (Western European (Windows-1252))",
                        "Title | Text | Tools",
                        "CreateTime | Date | 2015-06-30T12:00:00Z",
                        "Database code page | Integer | 0 (neutral)",
                    }));
}

TEST(ViewerDamageTest, ATableThatCannotBeReadSaysSoAndTheOthersStillOpen) {
    testing_support::TempDir temp;
    const std::string package = (temp.path() / "damaged.msi").string();
    viewer_test::MakePackage(
        package, {"CREATE TABLE `Broken` (`Id` SHORT NOT NULL, `Text` CHAR(20) PRIMARY KEY `Id`)",
                  "INSERT INTO `Broken` (`Id`, `Text`) VALUES (4369, 'one')",
                  "INSERT INTO `Broken` (`Id`, `Text`) VALUES (8738, 'two')",
                  "CREATE TABLE `Good` (`Id` SHORT NOT NULL PRIMARY KEY `Id`)",
                  "INSERT INTO `Good` (`Id`) VALUES (5)"});
    // The Id column's bytes (values stored with 0x8000 added), then the Text
    // column's string numbers: those are pointed past the string pool.
    std::string bytes = testing_support::ReadFile(package);
    const std::size_t at = bytes.find(std::string("\x11\x91\x22\xa2", 4));
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at + 4, 4, "\xff\xff\xff\xff");
    testing_support::WriteFile(package, bytes);

    RecordingSink sink;
    auto window = viewer::ViewerMainWindow::Open({package, {}, "Broken", {}, {}}, sink);
    ASSERT_TRUE(window);
    EXPECT_TRUE(sink.outcomes.empty());
    QAbstractItemModel* list = window->TableList()->model();
    const int broken = static_cast<int>(*window->Package().FindTable("Broken"));
    EXPECT_EQ(list->index(broken, 1).data().toString().toStdString().rfind("cannot be read: ", 0),
              0u);
    EXPECT_EQ(window->Rows()->rowCount(), 0);
    EXPECT_TRUE(window->ShowTable(*window->Package().FindTable("Good")));
    EXPECT_EQ(viewer_test::Cells(*window->Rows(), 0), std::vector<std::string>{"5"});
}

}  // namespace
