// The Tablesmith dialog on real widgets (Qt's offscreen platform), driven as
// a person would: clicks, keys, the file dialog and the message boxes
// answered through the framework's test hook.
#include "tablesmith_dlg.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <filesystem>

#include "about_dlg.h"
#include "box_outcomes.h"
#include "dialog_copy_progress.h"
#include "export_command.h"
#include "export_folder.h"
#include "extract_command.h"
#include "extract_files_action.h"
#include "generate_command.h"
#include "messages.h"
#include "msiquery.h"
#include "package_tables.h"
#include "tablesmith_app.h"
#include "tablesmith_resources.h"
#include "viewer_main_window.h"
#include "test_support.h"
#include "window/ui_driver.h"
#include "window/ui_test_hook.h"

namespace {

namespace fs = std::filesystem;
namespace ui = fw::test;
using tablesmith::FillMessage;

#ifdef DEMO_PACKAGE
const fs::path kDemoPackage = DEMO_PACKAGE;
#else
const fs::path kDemoPackage;
#endif

constexpr unsigned kInformation = MB_ICONINFORMATION;
constexpr unsigned kStop = MB_ICONSTOP;

class TablesmithDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fw::UseResources(&tablesmith::gui::Resources());
        if (kDemoPackage.empty() || !fs::exists(kDemoPackage))
            GTEST_SKIP() << "the demo package was not built (gcab missing)";
        demo_ = inputs_.path() / "TablesmithDemo.msi";
        fs::copy_file(kDemoPackage, demo_);
    }
    void TearDown() override { MsiCloseAllHandles(); }

    void Open() {
        ASSERT_TRUE(dialog_.Create());
        ui::ProcessEvents();
    }
    // "..." with the file dialog answered by `path`.
    void Browse(const fs::path& path) {
        hook_.ChooseFile(path.string());
        ui::Click(*dialog_.GetDlgItem(IDC_BROWSE));
    }
    bool Enabled(int id) { return dialog_.GetDlgItem(id)->IsWindowEnabled() != FALSE; }
    bool Checked(int id) { return dialog_.IsDlgButtonChecked(id) == BST_CHECKED; }
    std::string CountLabel() { return dialog_.GetDlgItemText(IDC_TABLE_COUNT); }
    std::vector<std::string> ListedTables() {
        std::vector<std::string> tables;
        for (int i = 0; i < dialog_.m_cbTables.GetCount(); ++i)
            tables.push_back(dialog_.m_cbTables.GetLBText(i));
        return tables;
    }
    std::vector<std::pair<std::string, unsigned>> Boxes() {
        std::vector<std::pair<std::string, unsigned>> boxes;
        for (const fw::ShownMessageBox& box : hook_.MessageBoxes()) {
            EXPECT_EQ(AfxGetAppName(), box.caption);
            boxes.push_back({box.text, box.icon});
        }
        return boxes;
    }
    std::string ExportFolder(const fs::path& package) {
        return tablesmith::ExportFolderOf(package.string());
    }

    testing_support::TempDir inputs_;
    testing_support::TempDir temp_{true};  // TMPDIR: the export folders go here
    fw::UiTestHook hook_;
    CTablesmithDlg dialog_;
    fs::path demo_;
};

TEST_F(TablesmithDlgTest, StartsWithTheCommandsDisabledAndTheCountADot) {
    Open();
    EXPECT_EQ("Tablesmith", dialog_.GetWindowText());
    EXPECT_FALSE(Enabled(IDOK));
    EXPECT_FALSE(Enabled(IDC_GENERATE));
    EXPECT_FALSE(Enabled(IDC_ONLY_CAB));
    EXPECT_TRUE(Enabled(IDC_EXPORT_CAB));
    EXPECT_TRUE(Enabled(IDC_TABLES));
    EXPECT_EQ(".", CountLabel());
    EXPECT_EQ(0, dialog_.m_cbTables.GetCount());
    EXPECT_EQ("", dialog_.GetDlgItemText(IDC_MSIFILE));
    EXPECT_FALSE(Checked(IDC_EXPORT_ALL) || Checked(IDC_EXPORT_CAB) || Checked(IDC_ONLY_CAB));
    // The first tab stop, the package field, has the focus.
    EXPECT_EQ(IDC_MSIFILE, ui::FocusedControlId(dialog_));
    CMenu* menu = dialog_.GetSystemMenu(FALSE);
    const int items = menu->GetMenuItemCount();
    ASSERT_GE(items, 2);
    EXPECT_EQ(0, menu->GetMenuItemID(items - 2));  // the separator
    EXPECT_EQ("Inf&ormation...", menu->GetMenuString(items - 1));
    EXPECT_EQ(IDM_ABOUTBOX, menu->GetMenuItemID(items - 1));
}

TEST_F(TablesmithDlgTest, OnlyCabFollowsExportCabAndLosesItsTickWithIt) {
    Open();
    ui::Click(*dialog_.GetDlgItem(IDC_EXPORT_CAB));
    EXPECT_TRUE(Enabled(IDC_ONLY_CAB));
    ui::Click(*dialog_.GetDlgItem(IDC_ONLY_CAB));
    EXPECT_TRUE(Checked(IDC_ONLY_CAB));
    ui::Click(*dialog_.GetDlgItem(IDC_EXPORT_CAB));
    EXPECT_FALSE(Checked(IDC_ONLY_CAB));
    EXPECT_FALSE(Enabled(IDC_ONLY_CAB));
    EXPECT_EQ(0, dialog_.m_bOnlyCab);
}

TEST_F(TablesmithDlgTest, ExportAllDisablesTheTableListAndKeepsItsSelection) {
    Open();
    Browse(demo_);
    dialog_.m_cbTables.SetCurSel(2);
    ui::Click(*dialog_.GetDlgItem(IDC_EXPORT_ALL));
    EXPECT_FALSE(Enabled(IDC_TABLES));
    EXPECT_EQ(1, dialog_.m_bExportAll);
    ui::Click(*dialog_.GetDlgItem(IDC_EXPORT_ALL));
    EXPECT_TRUE(Enabled(IDC_TABLES));
    EXPECT_EQ(2, dialog_.m_cbTables.GetCurSel());
}

TEST_F(TablesmithDlgTest, BrowseListsTheTablesSortedCountsThemAndEnablesTheCommands) {
    Open();
    Browse(demo_);
    ASSERT_EQ(1u, hook_.FileDialogs().size());
    EXPECT_EQ((std::vector<std::string>{"MSI Packages (*.msi)"}),
              hook_.FileDialogs()[0].name_filters);
    EXPECT_FALSE(hook_.FileDialogs()[0].file_must_exist);
    EXPECT_EQ(demo_.string(), dialog_.GetDlgItemText(IDC_MSIFILE));
    EXPECT_EQ(demo_.string(), dialog_.m_strMsiFile);
    EXPECT_EQ((std::vector<std::string>{"Binary", "Component", "Directory", "Feature",
                                        "FeatureComponents", "File", "Media", "Property"}),
              ListedTables());
    EXPECT_EQ(0, dialog_.m_cbTables.GetCurSel());
    EXPECT_EQ("8 Tables", CountLabel());
    EXPECT_TRUE(Enabled(IDOK));
    EXPECT_TRUE(Enabled(IDC_GENERATE));
    EXPECT_TRUE(hook_.MessageBoxes().empty());
}

TEST_F(TablesmithDlgTest, BrowseListsARealPackagesTablesAsTheCommandLineDoes) {
    const fs::path fixture = testing_support::Fixture("real/adobe-reader/AcroRead.msi");
    if (fixture.empty()) GTEST_SKIP() << "the shared fixtures are not beside the checkout";
    Open();
    Browse(fixture);
    const std::vector<std::string> expected = tablesmith::ListPackageTables(fixture.string());
    ASSERT_GT(expected.size(), 40u);
    EXPECT_EQ(expected, ListedTables());
    EXPECT_EQ(FillMessage(tablesmith::kTableCount, {std::to_string(expected.size())}),
              CountLabel());
}

TEST_F(TablesmithDlgTest, BrowsingAgainDropsAnOnlyCabTickMadeSince) {
    Open();
    ui::Click(*dialog_.GetDlgItem(IDC_EXPORT_CAB));
    ui::Click(*dialog_.GetDlgItem(IDC_ONLY_CAB));
    Browse(demo_);
    EXPECT_TRUE(Checked(IDC_EXPORT_CAB));
    EXPECT_FALSE(Checked(IDC_ONLY_CAB));
    EXPECT_TRUE(Enabled(IDC_ONLY_CAB));
}

TEST_F(TablesmithDlgTest, APackageThatDoesNotOpenListsNothingAndStillEnablesTheCommands) {
    const fs::path not_a_package = inputs_.path() / "broken.msi";
    testing_support::WriteFile(not_a_package, "this is no package");
    Open();
    Browse(demo_);
    Browse(not_a_package);
    EXPECT_EQ(0, dialog_.m_cbTables.GetCount());
    EXPECT_EQ("0 Tables", CountLabel());
    EXPECT_TRUE(Enabled(IDOK));
    EXPECT_TRUE(Enabled(IDC_GENERATE));
    EXPECT_TRUE(hook_.MessageBoxes().empty());
}

TEST_F(TablesmithDlgTest, CancellingTheFileDialogChangesNothing) {
    Open();
    Browse(demo_);
    hook_.CancelFileDialog();
    ui::Click(*dialog_.GetDlgItem(IDC_BROWSE));
    EXPECT_EQ(2u, hook_.FileDialogs().size());
    EXPECT_EQ(demo_.string(), dialog_.m_strMsiFile);
    EXPECT_EQ("8 Tables", CountLabel());
}

// The about item is the program's own; the platform's items (Close) keep
// their meaning and open no about box.
TEST_F(TablesmithDlgTest, TheSystemMenuOpensTheAboutBoxAndItsCloseEndsTheDialog) {
    Open();
    fw::ShownWindow about;
    hook_.WhenModalShows([](const fw::ShownWindow& menu) {
        EXPECT_EQ("Inf&ormation...", menu.texts.back());
        ui::PressChar('o');
    });
    hook_.WhenModalShows([&about](const fw::ShownWindow& shown) {
        about = shown;
        ui::PressKey(ui::Key::kEscape);
    });
    ui::PressKey(ui::Key::kF10, ui::kShift);
    EXPECT_EQ("Info about Tablesmith", about.title);
    ASSERT_EQ(4u, about.texts.size());
    EXPECT_EQ("Tablesmith, Version 1.05", about.texts[0]);
    EXPECT_EQ("OK", about.texts[3]);
    EXPECT_TRUE(hook_.UnexpectedWindows().empty());
    EXPECT_TRUE(dialog_.IsWindowVisible());

    hook_.WhenModalShows([](const fw::ShownWindow&) { ui::PressChar('c'); });
    ui::RightClick(dialog_, 2, 2);
    EXPECT_TRUE(hook_.UnexpectedWindows().empty());
    EXPECT_FALSE(dialog_.IsWindowVisible());
    EXPECT_EQ(IDCANCEL, dialog_.GetResult());
}

TEST_F(TablesmithDlgTest, EscapeAndExitEndTheDialog) {
    for (const bool by_exit : {false, true}) {
        CTablesmithDlg dialog;
        hook_.WhenModalShows([&dialog, by_exit](const fw::ShownWindow&) {
            if (by_exit) {
                ui::Click(*dialog.GetDlgItem(IDCANCEL));
            } else {
                ui::PressKey(ui::Key::kEscape);
            }
        });
        EXPECT_EQ(IDCANCEL, dialog.DoModal()) << (by_exit ? "Exit" : "Escape");
    }
    EXPECT_TRUE(hook_.UnexpectedWindows().empty());
}

TEST_F(TablesmithDlgTest, ExportAllWithCabinetsThenGenerateTellTheirOutcome) {
    Open();
    Browse(demo_);
    ui::Click(*dialog_.GetDlgItem(IDC_EXPORT_ALL));
    ui::Click(*dialog_.GetDlgItem(IDC_EXPORT_CAB));
    ui::Click(*dialog_.GetDlgItem(IDOK));
    const std::string folder = ExportFolder(demo_);
    EXPECT_EQ((std::vector<std::pair<std::string, unsigned>>{
                  {FillMessage(tablesmith::kExportedAllTables, {folder}), kInformation},
                  {FillMessage(tablesmith::kExportedAllCabs, {folder}), kInformation}}),
              Boxes());
    EXPECT_TRUE(fs::exists(fs::path(folder) / "Property.tbl"));
    EXPECT_TRUE(fs::exists(fs::path(folder) / "demo.cab"));
    // Export does not close the dialog although it is the OK button.
    EXPECT_TRUE(dialog_.IsWindowVisible());

    hook_.ClearRecords();
    ui::Click(*dialog_.GetDlgItem(IDC_GENERATE));
    const std::string generated = tablesmith::GeneratedPackagePath(demo_.string());
    EXPECT_EQ((std::vector<std::pair<std::string, unsigned>>{
                  {FillMessage(tablesmith::kGenerated, {generated}), kInformation}}),
              Boxes());
    EXPECT_EQ(tablesmith::ListPackageTables(demo_.string()),
              tablesmith::ListPackageTables(generated));
}

TEST_F(TablesmithDlgTest, EnterExportsTheSelectedTableOfARealPackage) {
    const fs::path fixture = testing_support::Fixture("real/lessmsi/putty-0.68-installer.msi");
    if (fixture.empty()) GTEST_SKIP() << "the shared fixtures are not beside the checkout";
    const fs::path package = inputs_.path() / fixture.filename();
    fs::copy_file(fixture, package);
    Open();
    Browse(package);
    const int property = [&] {
        for (int i = 0; i < dialog_.m_cbTables.GetCount(); ++i)
            if (dialog_.m_cbTables.GetLBText(i) == "Property") return i;
        return -1;
    }();
    ASSERT_GE(property, 0);
    dialog_.m_cbTables.SetCurSel(property);
    dialog_.GetDlgItem(IDC_MSIFILE)->SetFocus();
    ui::PressKey(ui::Key::kEnter);  // Export is the default button
    const std::string folder = ExportFolder(package);
    EXPECT_EQ((std::vector<std::pair<std::string, unsigned>>{
                  {FillMessage(tablesmith::kExportedTable, {"Property", folder}), kInformation}}),
              Boxes());
    EXPECT_TRUE(fs::exists(fs::path(folder) / "Property.tbl"));
    EXPECT_FALSE(fs::exists(fs::path(folder) / "File.tbl"));
}

TEST_F(TablesmithDlgTest, ExportTakesThePathTypedIntoTheFieldAndTellsWhenItDoesNotOpen) {
    Open();
    Browse(demo_);
    CWnd& field = *dialog_.GetDlgItem(IDC_MSIFILE);
    field.SetWindowText("");
    ui::TypeText(field, (inputs_.path() / "missing.msi").string());
    ui::Click(*dialog_.GetDlgItem(IDOK));
    EXPECT_EQ(
        (std::vector<std::pair<std::string, unsigned>>{{tablesmith::kCantOpenPackage, kStop}}),
        Boxes());
}

TEST_F(TablesmithDlgTest, GenerateUsesThePackageAsLastExchangedNotTheTypedText) {
    Open();
    Browse(demo_);
    CWnd& field = *dialog_.GetDlgItem(IDC_MSIFILE);
    field.SetWindowText("");
    ui::TypeText(field, "/nowhere/else.msi");
    ui::Click(*dialog_.GetDlgItem(IDC_GENERATE));
    // Nothing was exported for the browsed package, whose folder Generate looks at.
    EXPECT_EQ((std::vector<std::pair<std::string, unsigned>>{{tablesmith::kExportFirst, kStop}}),
              Boxes());
    EXPECT_EQ(demo_.string(), dialog_.m_strMsiFile);
}

TEST_F(TablesmithDlgTest, AStartPackageIsChosenAsThroughBrowse) {
    dialog_.SetStartPackage(demo_.string());
    Open();
    EXPECT_EQ(demo_.string(), dialog_.GetDlgItemText(IDC_MSIFILE));
    EXPECT_EQ("8 Tables", CountLabel());
    EXPECT_TRUE(Enabled(IDOK));
    EXPECT_TRUE(hook_.FileDialogs().empty());
}

TEST_F(TablesmithDlgTest, TheProgramOpensThePackageOnItsCommandLineAndEndsWhenTheDialogCloses) {
    CTablesmithApp app;
    app.SetArguments({demo_.string()});
    fw::ShownWindow main_window;
    hook_.WhenModalShows([&main_window](const fw::ShownWindow& shown) {
        main_window = shown;
        ui::PressKey(ui::Key::kEscape);
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ("Tablesmith", main_window.title);
    EXPECT_NE(main_window.texts.end(),
              std::find(main_window.texts.begin(), main_window.texts.end(), "8 Tables"));
    EXPECT_EQ(nullptr, app.m_pMainWnd);
}

// Boxes are captioned with the tool's name, not the lower-case
// executable's; the window stays at the template's size, with no maximise
// button for a window manager to draw.
TEST_F(TablesmithDlgTest, BoxesAreCaptionedWithTheToolsNameAndTheWindowIsFixed) {
    CTablesmithApp app;
    Open();
    Browse(demo_);
    ui::Click(*dialog_.GetDlgItem(IDC_GENERATE));
    ASSERT_EQ(1u, hook_.MessageBoxes().size());
    EXPECT_EQ("Tablesmith", hook_.MessageBoxes()[0].caption);
    QWidget* window = dialog_.widget();
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
}

// A package dropped on the window (on the field too) is chosen as "..."
// chooses it, and the file dialog then opens in its folder. Export and
// Generate run under the busy cursor, which goes when they end.
TEST_F(TablesmithDlgTest, ADroppedPackageIsChosenAndTheCommandsRunUnderTheBusyCursor) {
    Open();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(demo_.string()))});
    QWidget* field = dialog_.GetDlgItem(IDC_MSIFILE)->widget();
    QDragEnterEvent enter(QPoint(3, 3), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &enter);
    QDropEvent drop(QPointF(3, 3), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &drop);
    EXPECT_EQ(demo_.string(), dialog_.GetDlgItemText(IDC_MSIFILE));
    EXPECT_EQ("8 Tables", CountLabel());
    EXPECT_TRUE(Enabled(IDOK));
    // A name of one character is taken whole as well.
    for (const std::string& path : {std::string("/"), demo_.string()}) {
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QApplication::sendEvent(field, &enter);
        QApplication::sendEvent(field, &drop);
        EXPECT_EQ(path, dialog_.GetDlgItemText(IDC_MSIFILE));
    }
    // A file address without a name chooses nothing.
    data.setUrls({QUrl(QStringLiteral("file:"))});
    QApplication::sendEvent(field, &enter);
    QApplication::sendEvent(field, &drop);
    EXPECT_EQ(demo_.string(), dialog_.GetDlgItemText(IDC_MSIFILE));
    EXPECT_EQ("8 Tables", CountLabel());

    hook_.CancelFileDialog();
    ui::Click(*dialog_.GetDlgItem(IDC_BROWSE));
    ASSERT_EQ(1u, hook_.FileDialogs().size());
    EXPECT_EQ(demo_.parent_path().string(), hook_.FileDialogs()[0].folder);

    ui::Click(*dialog_.GetDlgItem(IDC_GENERATE));
    ui::Click(*dialog_.GetDlgItem(IDOK));
    ASSERT_EQ(2u, hook_.MessageBoxes().size());
    EXPECT_TRUE(hook_.MessageBoxes()[0].wait_cursor);
    EXPECT_TRUE(hook_.MessageBoxes()[1].wait_cursor);
    EXPECT_EQ(nullptr, QApplication::overrideCursor());
}

TEST_F(TablesmithDlgTest, ALargeCabinetShowsHowFarItIs) {
    // The threshold of 50 MB lowered, so that the demo's cabinet is large.
    tablesmith::gui::DialogCopyProgress progress(1);
    tablesmith::ExportSettings settings;
    settings.msi_file = demo_.string();
    settings.export_cab = true;
    settings.only_cab = true;
    viewer::BoxOutcomes sink;
    EXPECT_TRUE(tablesmith::RunExport(settings, sink, &progress));
    ASSERT_EQ(1u, hook_.ProgressWindows().size());
    EXPECT_EQ("Writing CAB file demo.cab ...", hook_.ProgressWindows()[0].label);
    EXPECT_EQ(1000, hook_.ProgressWindows()[0].last_permille);
}

}  // namespace

namespace {

viewer::ViewerMainWindow* OpenViewerWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = dynamic_cast<viewer::ViewerMainWindow*>(widget);
            window && window->isVisible())
            return window;
    return nullptr;
}

TEST_F(TablesmithDlgTest, ViewOpensTheViewerAtTheChosenTableAndLeavesThePackageAsItWas) {
    const std::string bytes = testing_support::ReadFile(demo_);
    Open();
    EXPECT_FALSE(Enabled(IDC_VIEW));
    Browse(demo_);
    ASSERT_TRUE(Enabled(IDC_VIEW));
    dialog_.m_cbTables.SetCurSel(2);
    const std::string chosen = dialog_.m_cbTables.GetLBText(2);
    ui::Click(*dialog_.GetDlgItem(IDC_VIEW));
    viewer::ViewerMainWindow* window = OpenViewerWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle().toStdString(), demo_.filename().string());
    ASSERT_TRUE(window->CurrentTable());
    EXPECT_EQ(window->Package().Tables()[*window->CurrentTable()].name, chosen);
    window->Find({"a", false, false});
    window->close();
    ui::ProcessEvents();
    EXPECT_EQ(OpenViewerWindow(), nullptr);
    EXPECT_TRUE(hook_.MessageBoxes().empty());
    EXPECT_EQ(testing_support::ReadFile(demo_), bytes);
}

// The new button joins the template without covering any control of the
// dialog (the group box it sits in aside).
TEST_F(TablesmithDlgTest, TheViewButtonCoversNoOtherControl) {
    const fw::DialogTemplate& dialog =
        tablesmith::gui::Resources().dialogs.at(IDD_TABLESMITH_DIALOG);
    const fw::ControlTemplate* view = nullptr;
    for (const fw::ControlTemplate& control : dialog.controls)
        if (control.id == IDC_VIEW) view = &control;
    ASSERT_NE(view, nullptr);
    for (const fw::ControlTemplate& other : dialog.controls) {
        if (&other == view || other.kind == fw::ControlKind::kGroupBox) continue;
        const bool apart = other.x >= view->x + view->cx || view->x >= other.x + other.cx ||
                           other.y >= view->y + view->cy || view->y >= other.y + other.cy;
        EXPECT_TRUE(apart) << other.text;
    }
}

TEST_F(TablesmithDlgTest, TheViewersExtractFilesIsOfferedOnlyWhenGivenAndWritesThePackagesFiles) {
    viewer::BoxOutcomes sink;
    viewer::ViewRequest request;
    request.package = demo_.string();
    auto plain = viewer::ViewerMainWindow::Open(request, sink);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->ExtractFilesAction(), nullptr);

    const fs::path folder = inputs_.path() / "out";
    std::string offered;
    request.extract_files = tablesmith::gui::ExtractFilesAction([&](const std::string& suggested) {
        offered = suggested;
        return folder.string();
    });
    auto window = viewer::ViewerMainWindow::Open(request, sink);
    ASSERT_TRUE(window && window->ExtractFilesAction());
    window->ExtractFilesAction()->trigger();
    EXPECT_EQ(offered, tablesmith::DefaultExtractFolder(demo_.string()));
    tablesmith::FilePlan plan;
    ASSERT_TRUE(tablesmith::ReadPackagePlan(demo_.string(), {}, plan, sink));
    ASSERT_FALSE(plan.files.empty());
    for (const tablesmith::PlannedFile& file : plan.files)
        EXPECT_TRUE(fs::is_regular_file(folder / file.path)) << file.path;
    ASSERT_EQ(hook_.MessageBoxes().size(), 1u);
    EXPECT_EQ(hook_.MessageBoxes()[0].icon, kInformation);
}

TEST_F(TablesmithDlgTest, ViewOnTheCommandLineOpensTheViewerAloneOrTellsWhyNot) {
    CTablesmithApp app;
    app.SetArguments({"--view", (inputs_.path() / "missing.msi").string()});
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitInstance(), 1);
    ASSERT_EQ(hook_.MessageBoxes().size(), 1u);
    EXPECT_EQ(hook_.MessageBoxes()[0].icon, kStop);
    EXPECT_NE(hook_.MessageBoxes()[0].detail, "");
    EXPECT_TRUE(hook_.UnexpectedWindows().empty());
}

}  // namespace
