// The Deltalens dialog on real widgets (Qt's offscreen platform), driven as
// a person would, with the file dialogs and message boxes answered through
// the framework's test hook.
#include "deltalens_dlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include <QApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QUrl>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>

#include "apply_command.h"
#include "change_rows.h"
#include "deltalens_app.h"
#include "deltalens_resources.h"
#include "deltalens_test_support.h"
#include "msiquery.h"
#include "sample_packages.h"
#include "test_support.h"
#include "text_escape.h"
#include "row_model.h"
#include "viewer_main_window.h"
#include "window/clipboard.h"
#include "window/list_view.h"
#include "window/styles.h"
#include "window/ui_driver.h"
#include "window/ui_test_hook.h"

namespace {

namespace fs = std::filesystem;
namespace ui = fw::test;
using deltalens_test::Rows;

// A package whose Items table holds `rows` rows and two transforms that give
// every row a new Value: listings long enough to scroll, as real ones are.
struct LongInputs {
    std::string package;
    std::string first;
    std::string second;
};

LongInputs MakeLongInputs(const fs::path& folder, int rows) {
    LongInputs inputs;
    std::vector<std::string> statements =
        deltalens::ProductProperties("{6F0D2C1B-3A4E-4F58-9B7C-2D1E0F3A4B5C}", "Long");
    statements.push_back(
        "CREATE TABLE `Items` (`Item` CHAR(32) NOT NULL, `Value` CHAR(64) PRIMARY KEY `Item`)");
    for (int row = 0; row < rows; ++row)
        statements.push_back("INSERT INTO `Items` (`Item`, `Value`) VALUES ('item" +
                             std::to_string(10000 + row) + "', 'old')");
    const std::string package = (folder / "long.msi").string();
    EXPECT_EQ(ERROR_SUCCESS, deltalens::CreatePackage(package, statements));
    for (const char* value : {"first", "second"}) {
        const std::string changed = (folder / (std::string(value) + ".msi")).string();
        const std::string transform = (folder / (std::string(value) + ".mst")).string();
        EXPECT_EQ(
            ERROR_SUCCESS,
            deltalens::MakeChangedCopy(
                package, changed, {std::string("UPDATE `Items` SET `Value` = '") + value + "'"}));
        EXPECT_EQ(ERROR_SUCCESS, deltalens::MakeTransform(package, changed, transform));
        (value == std::string("first") ? inputs.first : inputs.second) = transform;
    }
    inputs.package = package;
    return inputs;
}

class DeltalensDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fw::UseResources(&deltalens::gui::Resources());
        files_ = deltalens_test::MakeSampleFiles(inputs_.path());
        ASSERT_FALSE(files_.package.empty());
    }
    void TearDown() override { MsiCloseAllHandles(); }

    void Open() { ASSERT_TRUE(dialog_.Create()); }
    // Opens the dialog, chooses both files with the "..." buttons, presses Apply.
    void OpenAndApply(const std::string& package, const std::string& transform) {
        Open();
        Choose(IDC_BROWSE_MSI, package);
        Choose(IDC_BROWSE_MST, transform);
        ui::Click(*dialog_.GetDlgItem(IDC_APPLY));
    }
    void Choose(int button, const std::string& path) {
        hook_.ChooseFile(path);
        ui::Click(*dialog_.GetDlgItem(button));
    }
    void Cancel(int button) {
        hook_.CancelFileDialog();
        ui::Click(*dialog_.GetDlgItem(button));
    }
    fw::ListViewWidget& View() {
        return *dynamic_cast<fw::ListViewWidget*>(dialog_.m_lcChanges.widget());
    }
    bool ApplyEnabled() { return dialog_.GetDlgItem(IDC_APPLY)->IsWindowEnabled() != FALSE; }
    // The list's items as rows of their five texts, top to bottom.
    Rows Listed() {
        Rows rows;
        CSortListCtrl& list = dialog_.m_lcChanges;
        for (int item = 0; item < list.GetItemCount(); ++item) {
            std::vector<std::string> row;
            for (int column = 0; column < 5; ++column)
                row.push_back(list.GetItemText(item, column));
            rows.push_back(row);
        }
        return rows;
    }
    Rows Expected(const std::string& package, const std::string& transform) {
        bool ok = false;
        Rows rows = deltalens_test::EngineChanges(package, transform, ok);
        EXPECT_TRUE(ok);
        return rows;
    }

    testing_support::TempDir inputs_;
    testing_support::TempDir temp_{true};
    fw::UiTestHook hook_;
    deltalens_test::SampleFiles files_;
    CDeltalensDlg dialog_;
};

TEST_F(DeltalensDlgTest, StartsWithApplyDisabledFiveEqualColumnsAndTheFocusOnExit) {
    Open();
    EXPECT_EQ("Deltalens", dialog_.GetWindowText());
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_EQ("", dialog_.GetDlgItemText(IDC_MSIFILE));
    EXPECT_EQ("", dialog_.GetDlgItemText(IDC_MSTFILE));
    CSortListCtrl& list = dialog_.m_lcChanges;
    ASSERT_EQ(5, list.GetColumnCount());
    CRect client;
    list.GetClientRect(&client);
    const char* names[] = {"Table", "Column", "Row", "Data", "Current"};
    for (int column = 0; column < 5; ++column) {
        char name[16];
        LVCOLUMN record{LVCF_TEXT, 0, 0, name, sizeof name, 0};
        ASSERT_TRUE(list.GetColumn(column, &record));
        EXPECT_STREQ(names[column], name);
        EXPECT_EQ(client.right / 5, list.GetColumnWidth(column));
    }
    EXPECT_EQ(0, list.GetItemCount());
    EXPECT_EQ(IDCANCEL, ui::FocusedControlId(dialog_));
    CMenu* menu = dialog_.GetSystemMenu(FALSE);
    const int items = menu->GetMenuItemCount();
    EXPECT_EQ(0, menu->GetMenuItemID(items - 2));
    EXPECT_EQ("Inf&ormation...", menu->GetMenuString(items - 1));
}

TEST_F(DeltalensDlgTest, ApplyWaitsForBothFilesAndIsNeverDisabledAgain) {
    Open();
    Choose(IDC_BROWSE_MSI, files_.package);
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_EQ(files_.package, dialog_.GetDlgItemText(IDC_MSIFILE));
    Cancel(IDC_BROWSE_MST);
    EXPECT_FALSE(ApplyEnabled());
    Choose(IDC_BROWSE_MST, files_.transform);
    EXPECT_TRUE(ApplyEnabled());
    EXPECT_EQ(files_.transform, dialog_.GetDlgItemText(IDC_MSTFILE));
    // Cancelling keeps the earlier path, the field as typed into, and Apply.
    CWnd& field = *dialog_.GetDlgItem(IDC_MSIFILE);
    field.SetWindowText("");
    ui::TypeText(field, "typed.msi");
    Cancel(IDC_BROWSE_MSI);
    EXPECT_EQ(files_.package, dialog_.m_strMsiFile);
    EXPECT_EQ("typed.msi", dialog_.GetDlgItemText(IDC_MSIFILE));
    EXPECT_TRUE(ApplyEnabled());
    ASSERT_EQ(4u, hook_.FileDialogs().size());
    EXPECT_EQ((std::vector<std::string>{"MSI Packages (*.msi)"}),
              hook_.FileDialogs()[0].name_filters);
    EXPECT_EQ((std::vector<std::string>{"Transforms and patches (*.mst *.msp)"}),
              hook_.FileDialogs()[1].name_filters);
}

TEST_F(DeltalensDlgTest, OnlyATransformLeavesApplyDisabled) {
    Open();
    Choose(IDC_BROWSE_MST, files_.transform);
    EXPECT_FALSE(ApplyEnabled());
}

TEST_F(DeltalensDlgTest, ApplyListsTheEnginesChangesAndIgnoresTypedPaths) {
    Open();
    Choose(IDC_BROWSE_MSI, files_.package);
    Choose(IDC_BROWSE_MST, files_.transform);
    CWnd& field = *dialog_.GetDlgItem(IDC_MSIFILE);
    field.SetWindowText("");
    ui::TypeText(field, files_.text_file);
    ui::Click(*dialog_.GetDlgItem(IDC_APPLY));
    const Rows expected = Expected(files_.package, files_.transform);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(expected, Listed());
    EXPECT_TRUE(hook_.MessageBoxes().empty());
}

TEST_F(DeltalensDlgTest, APatchListsItsPairNAMEThenTheCompanion) {
    const std::string patch = (inputs_.path() / "kb.msp").string();
    ASSERT_EQ(ERROR_SUCCESS,
              deltalens::MakePatch(patch, "", ":KB;:#KB",
                                   {{"KB", files_.transform}, {"#KB", files_.other_transform}}));
    OpenAndApply(files_.package, patch);
    Rows expected = Expected(files_.package, files_.transform);
    const Rows companion = Expected(files_.package, files_.other_transform);
    expected.insert(expected.end(), companion.begin(), companion.end());
    EXPECT_EQ(expected, Listed());
    EXPECT_TRUE(hook_.MessageBoxes().empty());
}

TEST_F(DeltalensDlgTest, ASecondApplyReplacesTheFirst) {
    OpenAndApply(files_.package, files_.transform);
    Choose(IDC_BROWSE_MST, files_.other_transform);
    ui::Click(*dialog_.GetDlgItem(IDC_APPLY));
    EXPECT_EQ(Expected(files_.package, files_.other_transform), Listed());
    EXPECT_EQ(dialog_.m_elChanges.GetCount(), dialog_.m_lcChanges.GetItemCount());
}

TEST_F(DeltalensDlgTest, AFailedApplyTellsWhyAndLeavesTheListEmpty) {
    OpenAndApply(files_.package, files_.transform);
    ASSERT_GT(dialog_.m_lcChanges.GetItemCount(), 0);

    Choose(IDC_BROWSE_MSI, files_.text_file);
    ui::Click(*dialog_.GetDlgItem(IDC_APPLY));
    ASSERT_EQ(1u, hook_.MessageBoxes().size());
    EXPECT_EQ(deltalens::kOpenErrorText, hook_.MessageBoxes()[0].text);
    EXPECT_EQ(unsigned{MB_ICONSTOP}, hook_.MessageBoxes()[0].icon);
    // The real cause is behind the box's details button, not in its text.
    EXPECT_NE("", hook_.MessageBoxes()[0].detail);

    EXPECT_EQ(0, dialog_.m_lcChanges.GetItemCount());

    Choose(IDC_BROWSE_MSI, files_.unrelated_package);
    ui::Click(*dialog_.GetDlgItem(IDC_APPLY));
    ASSERT_EQ(2u, hook_.MessageBoxes().size());
    EXPECT_EQ(0u, hook_.MessageBoxes()[1].text.rfind("Error applying transform. (", 0));
    EXPECT_EQ(unsigned{MB_ICONSTOP}, hook_.MessageBoxes()[1].icon);
    EXPECT_NE("", hook_.MessageBoxes()[1].detail);

    EXPECT_EQ(0, dialog_.m_lcChanges.GetItemCount());
}

TEST_F(DeltalensDlgTest, ATransformThatChangesNothingListsNothingAndSaysNothing) {
    OpenAndApply(files_.package, files_.empty_transform);
    EXPECT_EQ(0, dialog_.m_lcChanges.GetItemCount());
    EXPECT_TRUE(hook_.MessageBoxes().empty());
}

TEST_F(DeltalensDlgTest, TheListHasNoSortHeader) {
    OpenAndApply(files_.package, files_.transform);
    const Rows before = Listed();
    QHeaderView* header = dynamic_cast<fw::ListViewWidget*>(dialog_.m_lcChanges.widget())->header();
    for (int column : {0, 0, 2}) {
        const QPoint point(header->sectionViewportPosition(column) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, point);
    }
    EXPECT_EQ(before, Listed());
}

TEST_F(DeltalensDlgTest, ControlCCopiesTheSelectedChangeAsTheCommandLinePrintsIt) {
    OpenAndApply(files_.package, files_.transform);
    CSortListCtrl& list = dialog_.m_lcChanges;
    ASSERT_GT(list.GetItemCount(), 1);
    list.SetFocus();
    list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    fw::SetClipboardText("before");
    ui::PressChar('c', ui::kControl);
    std::ostringstream line;
    for (int column = 0; column < 5; ++column)
        line << (column > 0 ? "\t" : "") << cli::EscapeCell(list.GetItemText(1, column));
    EXPECT_EQ(line.str(), fw::GetClipboardText());
    // Without a selection there is nothing to copy.
    list.SetItemState(1, 0, LVIS_SELECTED);
    fw::SetClipboardText("kept");
    ui::PressChar('c', ui::kControl);
    EXPECT_EQ("kept", fw::GetClipboardText());
    // Only the key copies: a Ctrl+click on a row selects it and copies
    // nothing, row 67 too (the number of the letter C).
    const LongInputs inputs = MakeLongInputs(inputs_.path(), 80);
    Choose(IDC_BROWSE_MSI, inputs.package);
    Choose(IDC_BROWSE_MST, inputs.first);
    ui::Click(*dialog_.GetDlgItem(IDC_APPLY));
    ASSERT_EQ(80, list.GetItemCount());
    ASSERT_TRUE(list.EnsureVisible(67, FALSE));
    const QRect row = View().visualRect(View().Model().index(67, 1));
    QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::ControlModifier, row.center());
    EXPECT_EQ(67, list.GetNextItem(-1, LVNI_SELECTED));
    EXPECT_EQ("kept", fw::GetClipboardText());
}

// A row selected far down a long listing, then Apply of another transform
// (by the button and by Enter in the list): the view shows the new listing
// from its first row, with no row selected or current, and Ctrl+C agrees
// with what shows (it copies nothing).
TEST_F(DeltalensDlgTest, ApplyAgainShowsTheNewListingFromTheTopWithNothingSelected) {
    const LongInputs inputs = MakeLongInputs(inputs_.path(), 600);
    OpenAndApply(inputs.package, inputs.first);
    CSortListCtrl& list = dialog_.m_lcChanges;
    ASSERT_EQ(600, list.GetItemCount());
    const struct {
        const char* how;
        const std::string& transform;
        bool enter_in_list;
    } cases[] = {{"the Apply button", inputs.second, false},
                 {"Enter in the list", inputs.first, true}};
    for (const auto& again : cases) {
        SCOPED_TRACE(again.how);
        list.SetFocus();
        list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        for (int step = 0; step < 300; ++step) ui::PressKey(ui::Key::kDown);
        ASSERT_EQ(300, View().currentIndex().row());
        ASSERT_NE(nullptr, list.GetSelectedEntry());
        ASSERT_GT(View().verticalScrollBar()->value(), 0);

        Choose(IDC_BROWSE_MST, again.transform);
        if (again.enter_in_list) {
            list.SetFocus();
            ui::PressKey(ui::Key::kEnter);
        } else {
            ui::Click(*dialog_.GetDlgItem(IDC_APPLY));
        }
        ui::ProcessEvents();
        EXPECT_EQ(Expected(inputs.package, again.transform), Listed());
        EXPECT_TRUE(View().selectionModel()->selectedRows().isEmpty());
        EXPECT_EQ(-1, View().currentIndex().row());
        EXPECT_EQ(0, View().verticalScrollBar()->value());
        EXPECT_EQ(0, View().indexAt(QPoint(1, 1)).row());
        EXPECT_EQ(nullptr, list.GetSelectedEntry());
        fw::SetClipboardText("kept");
        list.SetFocus();
        ui::PressChar('c', ui::kControl);
        EXPECT_EQ("kept", fw::GetClipboardText());
    }
    EXPECT_TRUE(hook_.MessageBoxes().empty());
}

// Larger than the template, the list takes the room and the buttons keep to
// the right edge; the fields widen; smaller than the template it never gets.
TEST_F(DeltalensDlgTest, TheWindowGrowsIntoTheListAndNeverShrinksBelowTheTemplate) {
    Open();
    QWidget* window = dialog_.widget();
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    const QSize template_size = window->size();
    EXPECT_EQ(template_size, window->minimumSize());
    auto place = [this](int id) {
        CRect rect;
        dialog_.GetDlgItem(id)->GetWindowRect(&rect);
        dialog_.ScreenToClient(&rect);
        return QRect(rect.left, rect.top, rect.Width(), rect.Height());
    };
    const int ids[] = {IDCANCEL,    IDC_APPLY,   IDC_BROWSE_MSI, IDC_BROWSE_MST,
                       IDC_MSIFILE, IDC_MSTFILE, IDC_CHANGES};
    std::map<int, QRect> before;
    for (int id : ids) before[id] = place(id);

    const int grow_x = 300;
    const int grow_y = 200;
    window->resize(template_size + QSize(grow_x, grow_y));
    ui::ProcessEvents();
    for (int id : ids) {
        SCOPED_TRACE(id);
        const QRect was = before[id];
        QRect expected = was;
        if (id == IDC_CHANGES) {
            expected.setSize(was.size() + QSize(grow_x, grow_y));
        } else if (id == IDC_MSIFILE || id == IDC_MSTFILE) {
            expected.setWidth(was.width() + grow_x);
        } else {
            expected.translate(grow_x, 0);
        }
        EXPECT_EQ(expected, place(id));
    }
    // The columns share the wider list.
    CRect client;
    dialog_.m_lcChanges.GetClientRect(&client);
    EXPECT_EQ(client.right / 5, dialog_.m_lcChanges.GetColumnWidth(0));

    window->resize(template_size - QSize(50, 50));
    ui::ProcessEvents();
    EXPECT_EQ(template_size, window->size());
    for (int id : ids) EXPECT_EQ(before[id], place(id)) << id;

    // Maximised from the window menu, the list fills the screen's width.
    dialog_.OnSysCommand(SC_MAXIMIZE, 0);
    ui::ProcessEvents();
    EXPECT_TRUE(window->isMaximized());
    EXPECT_EQ(window->width() - (template_size.width() - before[IDC_CHANGES].width()),
              place(IDC_CHANGES).width());
    EXPECT_GT(window->width(), template_size.width());
}

// The about box keeps its own title; every other box is captioned with the
// tool's name, not the lower-case executable's.
TEST_F(DeltalensDlgTest, MessageBoxesAreCaptionedWithTheToolsName) {
    CDeltalensApp app;
    OpenAndApply(files_.text_file, files_.transform);
    ASSERT_EQ(1u, hook_.MessageBoxes().size());
    EXPECT_EQ("Deltalens", hook_.MessageBoxes()[0].caption);
}

// A right click on a change opens its menu: Copy is Ctrl+C's, Copy All and
// Save List As... give the list as deltalens-cli prints it (Save in the
// file's format, with nothing left beside the file). Beside the rows the
// window menu opens, as on the background.
TEST_F(DeltalensDlgTest, TheRowMenuCopiesAndSavesTheListAsTheCommandLinePrintsIt) {
    OpenAndApply(files_.package, files_.transform);
    CSortListCtrl& list = dialog_.m_lcChanges;
    ASSERT_GT(list.GetItemCount(), 1);
    auto right_click_at = [this](const QPoint& in_viewport) {
        const QPoint point = View().viewport()->mapTo(dialog_.widget(), in_viewport);
        ui::RightClick(dialog_, point.x(), point.y());
    };
    auto right_click_row = [&](int item, char choice, std::vector<std::string>* texts = nullptr) {
        hook_.WhenModalShows([choice, texts](const fw::ShownWindow& shown) {
            if (texts != nullptr) *texts = shown.texts;
            // Another menu than the row's is closed unused.
            const bool row_menu =
                std::find(shown.texts.begin(), shown.texts.end(), "Copy &All") != shown.texts.end();
            if (row_menu) {
                ui::PressChar(choice);
            } else {
                ui::PressKey(ui::Key::kEscape);
            }
        });
        right_click_at(View().visualRect(View().Model().index(item, 0)).center());
    };
    auto printed = [this](const char* format) {
        const auto run = testing_support::Run(
            {DELTALENS_CLI_PATH, "--format", format, files_.package, files_.transform});
        EXPECT_EQ(0, run.status);
        return run.out;
    };

    std::vector<std::string> texts;
    right_click_row(1, 'c', &texts);
    EXPECT_EQ((std::vector<std::string>{"&Copy\tCtrl+C", "Copy &All", "", "&Save List As..."}),
              texts);
    std::string line;
    for (int column = 0; column < 5; ++column)
        line += (column > 0 ? "\t" : "") + cli::EscapeCell(list.GetItemText(1, column));
    EXPECT_EQ(line, fw::GetClipboardText());
    EXPECT_EQ(1, View().currentIndex().row());

    right_click_row(0, 'a');
    EXPECT_EQ(printed("tsv"), fw::GetClipboardText());

    for (const char* format : {"tsv", "csv", "json"}) {
        const fs::path saved = temp_.path() / (std::string("saved.") + format);
        fs::create_directories(saved.parent_path());
        {
            std::ofstream old(saved);
            old << "what was there";
        }
        hook_.ChooseFile(saved.string());
        right_click_row(0, 's');
        std::ifstream in(saved, std::ios::binary);
        EXPECT_EQ(printed(format), std::string(std::istreambuf_iterator<char>(in), {})) << format;
    }
    EXPECT_EQ(3, std::distance(fs::directory_iterator(temp_.path()), fs::directory_iterator()));
    // A name that cannot be written (a folder's) is told of.
    hook_.ChooseFile(temp_.path().string());
    right_click_row(0, 's');
    ASSERT_EQ(1u, hook_.MessageBoxes().size());
    EXPECT_EQ("The list could not be saved.", hook_.MessageBoxes()[0].text);

    // Below the last row: the window menu.
    hook_.WhenModalShows([&texts](const fw::ShownWindow& shown) {
        texts = shown.texts;
        ui::PressKey(ui::Key::kEscape);
    });
    right_click_at(QPoint(5, View().viewport()->height() - 3));
    EXPECT_EQ("Inf&ormation...", texts.back());
    EXPECT_TRUE(hook_.UnexpectedWindows().empty());
    EXPECT_EQ(0u, hook_.PendingAnswers());
}

// Files dropped on the window (on a field too) take the place "..." gives
// them: a transform by its name, anything else as the package; with both,
// they are applied as a start-up pair is. The file dialogs then open in the
// chosen files' folders.
TEST_F(DeltalensDlgTest, DroppedFilesAreChosenAndAppliedAndTheFileDialogsOpenBesideThem) {
    Open();
    auto drop_on = [](CWnd& target, const std::string& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        // As a drag arrives: first over the window, then dropped.
        QDragEnterEvent enter(QPoint(3, 3), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target.widget(), &enter);
        QDropEvent drop(QPointF(3, 3), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target.widget(), &drop);
    };
    drop_on(*dialog_.GetDlgItem(IDC_MSIFILE), files_.transform);
    EXPECT_EQ(files_.transform, dialog_.GetDlgItemText(IDC_MSTFILE));
    EXPECT_EQ("", dialog_.GetDlgItemText(IDC_MSIFILE));
    EXPECT_FALSE(ApplyEnabled());
    ui::ProcessEvents();
    EXPECT_TRUE(hook_.MessageBoxes().empty());  // one file alone is not applied
    drop_on(dialog_, files_.package);
    EXPECT_EQ(files_.package, dialog_.m_strMsiFile);
    EXPECT_TRUE(ApplyEnabled());
    ui::ProcessEvents();
    EXPECT_EQ(Expected(files_.package, files_.transform), Listed());

    Cancel(IDC_BROWSE_MSI);
    Cancel(IDC_BROWSE_MST);
    ASSERT_EQ(2u, hook_.FileDialogs().size());
    EXPECT_EQ(fs::path(files_.package).parent_path().string(), hook_.FileDialogs()[0].folder);
    EXPECT_EQ(fs::path(files_.transform).parent_path().string(), hook_.FileDialogs()[1].folder);
}

// Apply runs under the busy cursor (a box in between included), and gives
// the normal cursor back when it ends.
TEST_F(DeltalensDlgTest, ApplyShowsTheBusyCursorWhileItRuns) {
    OpenAndApply(files_.text_file, files_.transform);
    ASSERT_EQ(1u, hook_.MessageBoxes().size());
    EXPECT_TRUE(hook_.MessageBoxes()[0].wait_cursor);
    EXPECT_EQ(nullptr, QApplication::overrideCursor());
}

TEST_F(DeltalensDlgTest, TheAboutBoxOpensFromTheMenuStandIn) {
    Open();
    fw::ShownWindow about;
    hook_.WhenModalShows([](const fw::ShownWindow&) { ui::PressChar('o'); });
    hook_.WhenModalShows([&about](const fw::ShownWindow& shown) {
        about = shown;
        ui::PressKey(ui::Key::kEnter);
    });
    ui::RightClick(dialog_, 3, 3);
    EXPECT_EQ("Info about Deltalens", about.title);
    EXPECT_EQ((std::vector<std::string>{"Deltalens, Version 1.02", "OK"}), about.texts);
    EXPECT_TRUE(hook_.UnexpectedWindows().empty());
}

TEST_F(DeltalensDlgTest, StartFilesAreChosenAndAppliedAtOnce) {
    dialog_.SetStartFiles(files_.package, files_.transform);
    Open();
    // Apply waits until the dialog shows and its messages run.
    EXPECT_EQ(0, dialog_.m_lcChanges.GetItemCount());
    ui::ProcessEvents();
    EXPECT_EQ(files_.package, dialog_.GetDlgItemText(IDC_MSIFILE));
    EXPECT_EQ(files_.transform, dialog_.GetDlgItemText(IDC_MSTFILE));
    EXPECT_TRUE(ApplyEnabled());
    EXPECT_EQ(Expected(files_.package, files_.transform), Listed());
}

TEST_F(DeltalensDlgTest, ThePackageAloneOnTheCommandLineIsOnlyChosen) {
    dialog_.SetStartFiles(files_.package, "");
    Open();
    ui::ProcessEvents();
    EXPECT_EQ(files_.package, dialog_.m_strMsiFile);
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_EQ(0, dialog_.m_lcChanges.GetItemCount());
    EXPECT_TRUE(hook_.MessageBoxes().empty());  // nothing was tried
}

TEST_F(DeltalensDlgTest, TheProgramAppliesItsArgumentsAndRoutesHelpToTheDefaultHandler) {
    CDeltalensApp app;
    app.SetArguments({files_.package, files_.transform});
    int listed = -1;
    testing_support::TraceCapture trace;
    hook_.WhenModalShows([&listed](const fw::ShownWindow& shown) {
        EXPECT_EQ("Deltalens", shown.title);
        auto* main = dynamic_cast<CDeltalensDlg*>(AfxGetMainWnd());
        if (main != nullptr) listed = main->m_lcChanges.GetItemCount();
        ui::PressKey(ui::Key::kF1);
        ui::PressKey(ui::Key::kEscape);
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(static_cast<int>(Expected(files_.package, files_.transform).size()), listed);
    bool helped = false;
    for (const std::string& line : trace.Lines())
        helped = helped || line.find("no help file") != std::string::npos;
    EXPECT_TRUE(helped);
}

TEST_F(DeltalensDlgTest, ARealTransformListsExactlyWhatTheCommandLinePrints) {
    const fs::path package = testing_support::Fixture("real/adobe-reader/AcroRead.msi");
    const fs::path transform = testing_support::Fixture("real/adobe-reader/AcroRead-rcs.mst");
    if (package.empty() || transform.empty())
        GTEST_SKIP() << "the shared fixtures are not beside the checkout";
    Open();
    Choose(IDC_BROWSE_MSI, package.string());
    Choose(IDC_BROWSE_MST, transform.string());
    ui::Click(*dialog_.GetDlgItem(IDC_APPLY));
    const auto printed = testing_support::Run(
        {DELTALENS_CLI_PATH, "--format", "tsv", package.string(), transform.string()});
    ASSERT_EQ(0, printed.status);
    std::istringstream lines(printed.out);
    std::string line;
    std::getline(lines, line);  // the column names
    // The command line shows a stream's bytes as their size and digest; the
    // dialog shows the installer's name of the stream (Table.Key), as
    // _TransformView holds it.
    const std::regex stream_bytes(R"(\[[0-9,]+ bytes [0-9a-f]{8}\])");
    int item = 0;
    CSortListCtrl& list = dialog_.m_lcChanges;
    while (std::getline(lines, line)) {
        ASSERT_LT(item, list.GetItemCount());
        std::vector<std::string> printed_cells;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) printed_cells.push_back(cell);
        printed_cells.resize(5);
        const std::string table = printed_cells[0];
        std::string expected, shown;
        for (int column = 0; column < 5; ++column) {
            const std::string cell = cli::EscapeCell(list.GetItemText(item, column));
            const bool stream_named = std::regex_match(printed_cells[column], stream_bytes) &&
                                      cell.rfind(table + ".", 0) == 0;
            expected += (column > 0 ? "\t" : "") + (stream_named ? cell : printed_cells[column]);
            shown += (column > 0 ? "\t" : "") + cell;
        }
        ASSERT_EQ(expected, shown) << "change " << item;
        ++item;
    }
    EXPECT_GT(item, 100);
    EXPECT_EQ(item, list.GetItemCount());
}

}  // namespace

namespace {

// The viewer windows open now, oldest first.
std::vector<viewer::ViewerMainWindow*> ViewerWindows() {
    std::vector<viewer::ViewerMainWindow*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = dynamic_cast<viewer::ViewerMainWindow*>(widget))
            windows.push_back(window);
    return windows;
}

// View (with a change selected) and a double-click on a change open the
// viewer with the transform marked, at that change's table and row.
TEST_F(DeltalensDlgTest, ViewAndADoubleClickOpenTheViewerAtTheChosenChange) {
    OpenAndApply(files_.package, files_.transform);
    const Rows listed = Listed();
    ASSERT_GE(listed.size(), 2u);
    CSortListCtrl& list = dialog_.m_lcChanges;
    const std::size_t last = listed.size() - 1;
    for (const bool double_click : {false, true}) {
        const std::size_t item = double_click ? 0 : last;
        if (double_click) {
            const QRect cell = View().visualRect(View().model()->index(static_cast<int>(item), 0));
            QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, cell.center());
        } else {
            list.SetItemState(static_cast<int>(item), LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
            ui::Click(*dialog_.GetDlgItem(IDC_VIEW));
        }
        const std::vector<viewer::ViewerMainWindow*> windows = ViewerWindows();
        ASSERT_EQ(windows.size(), 1u) << "double-click " << double_click;
        viewer::ViewerMainWindow& window = *windows.front();
        EXPECT_EQ(window.windowTitle().toStdString(),
                  fs::path(files_.package).filename().string() + " + " +
                      fs::path(files_.transform).filename().string());
        ASSERT_TRUE(window.CurrentTable());
        EXPECT_EQ(window.Package().Tables()[*window.CurrentTable()].name, listed[item][0]);
        const QModelIndex current = window.Grid()->currentIndex();
        ASSERT_TRUE(current.isValid());
        EXPECT_EQ(window.Rows()->Rows()->Key(window.Rows()->SourceRow(current.row())),
                  deltalens::gui::RowKeyCells(listed[item][2]));
        delete &window;
    }
}

}  // namespace
