// Commit of a table view: which installer calls each entry state makes, what
// lands in the database, the "$bin" files of binary fields, and the traces.
#include <algorithm>
#include <filesystem>

#include "engine_table_reader.h"
#include "installer_test_support.h"
#include "msi_engine.h"
#include "msi_table_view.h"
#include "msiquery.h"

namespace {

using installer_test::ErrorLine;
using installer_test::InstallerTest;
using Rows = std::vector<std::vector<std::string>>;

class CommitTest : public InstallerTest {
  protected:
    void SetUp() override {
        InstallerTest::SetUp();
        package_ = installer_test::BuildSamplePackage(inputs_.path());
    }

    // Opens the sample (transacted unless read_only) and loads Items.
    void Load(bool read_only = false) {
        ASSERT_TRUE(database_.Open(package_, read_only ? 0 : 1));
        view_ = std::make_unique<MsiTableView>();
        ASSERT_TRUE(view_->Load(&database_, "Items"));
    }

    // Commits the database, drops the table view and shuts the database down.
    void Finish(bool commit_database = true) {
        if (commit_database) {
            EXPECT_EQ(0u, MsiDatabaseCommit(database_.GetHandle()));
        }
        view_.reset();
        database_.Shutdown();
    }

    CMsiTableRecord* Find(const char* key) {
        return dynamic_cast<CMsiTableRecord*>(view_->FindEntry(key, 0));
    }

    CMsiTableRecord* AddNew(const char* key, std::int32_t count) {
        auto* record = dynamic_cast<CMsiTableRecord*>(view_->CreateEntry());
        record->SetStringValue(0, key);
        record->SetIntegerValue(1, count);
        view_->AddEntry(record);
        return record;
    }

    // The rows by key. The engine keeps rows in the order of their keys'
    // string ids, and a key added later may reuse a lower free id.
    Rows ReadBack() {
        Rows rows = installer_test::ReadTableDirectly(package_, "Items");
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    // The files made for binary fields: the system keeps the first three
    // characters of the "$bin" prefix.
    std::vector<std::string> BinFiles() const {
        std::vector<std::string> files;
        for (const std::string& name : temp_.Entries())
            if (name.rfind("$bi", 0) == 0) files.push_back(name);
        return files;
    }

    std::vector<std::string> LinesStartingWith(const std::string& prefix) const {
        std::vector<std::string> lines;
        for (const std::string& line : trace_.Lines())
            if (line.rfind(prefix, 0) == 0) lines.push_back(line);
        return lines;
    }

    std::string package_;
    CMsiDatabase database_;
    std::unique_ptr<MsiTableView> view_;
};

const std::vector<std::string> kAlpha = {"alpha", "1", "first", "", "[Binary]3"};
const std::vector<std::string> kBeta = {"beta", "", "", "alpha", ""};
const std::vector<std::string> kGamma = {"gamma", "3", std::string(300, 'x'), "alpha", ""};

TEST_F(CommitTest, NothingChangedChangesNothing) {
    Load();
    EXPECT_TRUE(view_->Commit());
    Finish();
    EXPECT_EQ((Rows{kAlpha, kBeta, kGamma}), ReadBack());
    EXPECT_TRUE(LinesStartingWith("MsiTableView::Commit").empty());
}

TEST_F(CommitTest, AModifiedEntryIsRewrittenInPlaceOfItsRow) {
    Load();
    Find("beta")->SetStringValue(2, "changed");
    Find("beta")->SetIntegerValue(1, 77);
    EXPECT_TRUE(view_->Commit());
    // A committed entry stays modified.
    EXPECT_TRUE(Find("beta")->HasFlags(CMsiTableRecord::kModified));
    Finish();
    EXPECT_EQ((Rows{kAlpha, {"beta", "77", "changed", "alpha", ""}, kGamma}), ReadBack());
}

TEST_F(CommitTest, AModifiedBinaryFieldGoesThroughATemporaryFile) {
    Load();
    CMsiBinaryValue bytes;
    bytes.Assign("0123456789", 10);
    Find("beta")->SetBinaryValue(4, bytes);
    EXPECT_TRUE(view_->Commit());
    Finish();
    EXPECT_EQ((Rows{kAlpha, {"beta", "", "", "alpha", "[Binary]10"}, kGamma}), ReadBack());
    EXPECT_TRUE(BinFiles().empty());
}

// An empty stream is a value and a null field is none; rewriting either row
// keeps what it held.
TEST_F(CommitTest, AnEmptyStreamAndANullFieldSurviveARewriteAsTheyWere) {
    Load();
    CMsiBinaryValue empty;
    empty.Assign("", 0);
    Find("beta")->SetBinaryValue(4, empty);
    EXPECT_TRUE(view_->Commit());
    EXPECT_EQ(0u, MsiDatabaseCommit(database_.GetHandle()));

    // A second table view on the same database; it goes before the database.
    view_ = std::make_unique<MsiTableView>();
    MsiTableView& reloaded = *view_;
    ASSERT_TRUE(reloaded.Load(&database_, "Items"));
    auto* beta = dynamic_cast<CMsiTableRecord*>(reloaded.FindEntry("beta", 0));
    auto* gamma = dynamic_cast<CMsiTableRecord*>(reloaded.FindEntry("gamma", 0));
    ASSERT_TRUE(beta && gamma);
    EXPECT_EQ("[Binary]", beta->GetFieldText(4));
    ASSERT_NE(nullptr, beta->GetBinary(4));
    EXPECT_EQ(0u, beta->GetBinary(4)->GetCount());
    EXPECT_EQ("", gamma->GetFieldText(4));
    beta->SetStringValue(2, "empty stream");
    gamma->SetStringValue(2, "no stream");
    EXPECT_TRUE(reloaded.Commit());
    Finish();
    EXPECT_EQ((Rows{kAlpha,
                    {"beta", "", "empty stream", "alpha", "[Binary]0"},
                    {"gamma", "3", "no stream", "alpha", ""}}),
              ReadBack());
}

TEST_F(CommitTest, ANewEntryIsInsertedOnceAndRewrittenOnTheNextCommit) {
    Load();
    CMsiTableRecord* delta = AddNew("delta", 4);
    EXPECT_TRUE(view_->Commit());
    EXPECT_TRUE(delta->HasFlags(CMsiTableRecord::kNew | CMsiTableRecord::kInserted));
    delta->SetStringValue(2, "later");
    EXPECT_TRUE(view_->Commit());
    EXPECT_TRUE(view_->Commit());
    Finish();
    EXPECT_EQ((Rows{kAlpha, kBeta, {"delta", "4", "later", "", ""}, kGamma}), ReadBack());
}

TEST_F(CommitTest, ADeletedEntryLosesItsRowButStaysInTheList) {
    Load();
    view_->MarkDeleted(Find("gamma"));
    EXPECT_TRUE(view_->Commit());
    EXPECT_EQ(3, view_->GetCount());
    Finish();
    EXPECT_EQ((Rows{kAlpha, kBeta}), ReadBack());
}

TEST_F(CommitTest, AModifiedAndDeletedEntryIsRewrittenNotDeleted) {
    Load();
    Find("gamma")->SetIntegerValue(1, 30);
    view_->MarkDeleted(Find("gamma"));
    EXPECT_TRUE(view_->Commit());
    Finish();
    EXPECT_EQ((Rows{kAlpha, kBeta, {"gamma", "30", std::string(300, 'x'), "alpha", ""}}),
              ReadBack());
}

TEST_F(CommitTest, ANewAndDeletedEntryIsSkipped) {
    Load();
    CMsiTableRecord* delta = AddNew("delta", 4);
    view_->MarkDeleted(delta);
    EXPECT_TRUE(view_->Commit());
    EXPECT_FALSE(delta->HasFlags(CMsiTableRecord::kInserted));
    EXPECT_EQ(std::vector<std::string>{"[BETA_BUILD] Skipping new and deleted record."},
              LinesStartingWith("[BETA_BUILD] Skipping"));
    Finish();
    EXPECT_EQ((Rows{kAlpha, kBeta, kGamma}), ReadBack());
}

TEST_F(CommitTest, WithoutMsiDatabaseCommitNothingIsKept) {
    Load();
    view_->MarkDeleted(Find("alpha"));
    EXPECT_TRUE(view_->Commit());
    Finish(false);
    EXPECT_EQ((Rows{kAlpha, kBeta, kGamma}), ReadBack());
}

// On a read-only database every write fails, while seeks succeed; the order
// of the failures and traces shows which calls each entry made.
TEST_F(CommitTest, CallsAndTracesPerEntryStateInListOrder) {
    Load(true);
    Find("alpha")->SetStringValue(2, "100% sure");  // modified: seek, then delete fails
    CMsiTableRecord* delta = AddNew("delta", 4);    // new: insert fails
    view_->MarkDeleted(Find("beta"));               // deleted: seek, then delete fails
    (void)delta;
    trace_.Clear();
    EXPECT_FALSE(view_->Commit());
    const std::string fields_alpha =
        "[Item]~[alpha],[Count]~[1],[Note]~[100% sure],[Items_Parent]~[],[Data]~[[Binary]],";
    const std::string added = "[BETA_BUILD] Added ";
    std::vector<std::string> lines;
    for (const std::string& line : trace_.Lines())
        if (line.rfind(added, 0) != 0) lines.push_back(line);
    EXPECT_EQ((std::vector<std::string>{
                  ErrorLine(228),
                  "MsiTableView::Commit: MODIFY_DELETE failed." + fields_alpha,
                  ErrorLine(228),
                  "MsiTableView::Commit: DELETE failed.[Item]~[beta],[Count]~[],[Note]~[],"
                  "[Items_Parent]~[alpha],[Data]~[],",
                  // unchanged: no call, but traced with the latest failure text
                  "MsiTableView::Commit: DELETE failed.[Item]~[gamma],[Count]~[3],[Note]~[" +
                      std::string(300, 'x') + "],[Items_Parent]~[alpha],[Data]~[],",
                  ErrorLine(228),
                  "MsiTableView::Commit: INSERT failed.[Item]~[delta],[Count]~[4],[Note]~[],"
                  "[Items_Parent]~[],[Data]~[],",
              }),
              lines);
    Finish(false);
}

TEST_F(CommitTest, EveryBinaryFieldOfEveryEntryIsWrittenToAFileThatShutdownDeletes) {
    Load();
    Find("alpha")->SetStringValue(2, "again");  // rewritten: its binary field is written twice
    EXPECT_TRUE(view_->Commit());
    EXPECT_EQ(2u, BinFiles().size());
    EXPECT_EQ(2, database_.GetTempFiles().GetCount());
    const auto added = LinesStartingWith("[BETA_BUILD] Added ");
    ASSERT_EQ(2u, added.size());
    EXPECT_EQ("[BETA_BUILD] Added " + (temp_.path() / BinFiles()[0]).string() +
                  " to list of processed binary files in table Items",
              added[0]);
    EXPECT_TRUE(view_->Commit());
    EXPECT_EQ(4u, BinFiles().size());
    Finish();
    EXPECT_TRUE(BinFiles().empty());
    EXPECT_EQ(kAlpha[4], ReadBack()[0][4]);
}

TEST_F(CommitTest, ATemporaryFileThatCannotBeNamedIsShownAndTheFieldLeftUnset) {
    Load();
    Find("alpha")->SetStringValue(2, "no file");
    // A temporary folder that does not exist: no file can be named in it,
    // whatever the rights of the user running the test.
    setenv("TMPDIR", (temp_.path() / "missing").c_str(), 1);
    const bool result = view_->Commit();
    setenv("TMPDIR", temp_.str().c_str(), 1);
    EXPECT_TRUE(result);
    // The rewrite builds two installer records (one to seek and delete, a
    // fresh one to insert); each tried to write the binary field.
    EXPECT_EQ((std::vector<std::string>{"Failed to create temporary file",
                                        "Failed to create temporary file"}),
              boxes_);
    Finish();
    // The rewritten row lost its bytes: the file for them could not be made.
    EXPECT_EQ((std::vector<std::string>{"alpha", "1", "no file", "", ""}), ReadBack()[0]);
}

TEST_F(CommitTest, ReadBackThroughMsiinfoAgrees) {
    VSB_REQUIRE_PROGRAM("msiinfo");
    Load();
    Find("beta")->SetStringValue(2, "msiinfo sees this");
    AddNew("epsilon", -5);
    view_->MarkDeleted(Find("gamma"));
    EXPECT_TRUE(view_->Commit());
    Finish();
    const testing_support::TempDir scratch;
    const auto run = testing_support::Run({"msiinfo", "export", package_, "Items"},
                                          testing_support::RunOptions().In(scratch.path()));
    ASSERT_EQ(0, run.status);
    const std::string& exported = run.out;
    EXPECT_NE(std::string::npos, exported.find("beta\t\tmsiinfo sees this\talpha\t"));
    EXPECT_NE(std::string::npos, exported.find("epsilon\t-5\t\t\t"));
    EXPECT_EQ(std::string::npos, exported.find("gamma"));
}

}  // namespace
