// A commit rewrites the tables but must carry everything else of the package
// over unchanged: the digital signature stream, cabinets and other streams,
// and embedded storages (transforms inside a package or patch), byte for
// byte. Checked for an unmodified package committed to an output path (which
// writes a whole new file) and for a transacted edit of a copy, by reading
// both files with the storage layer. No commit leaves a temporary file.
#include <gtest/gtest.h>

#include <filesystem>

#include "interop_util.h"
#include "storage/compound_file.h"
#include "storage/stream_reader.h"
#include "test_support.h"

namespace msi_interop {
namespace {

namespace fs = std::filesystem;
using msi::storage::CompoundFile;
using msi::storage::EntryId;
using testing_support::TempDir;

std::vector<uint8_t> StreamBytes(const CompoundFile& file, EntryId id) {
    auto reader = file.OpenStream(id);
    EXPECT_TRUE(reader.ok());
    if (!reader.ok()) return {};
    auto bytes = reader->ReadAll();
    EXPECT_TRUE(bytes.ok());
    return bytes.ok() ? *bytes : std::vector<uint8_t>{};
}

// Table streams (names packed with the 0x4840 prefix) are rewritten by a
// commit; the summary stream is written anew too. Everything else is carried.
bool CarriedVerbatim(const std::u16string& name) {
    if (!name.empty() && name[0] == 0x4840) return false;
    return name != u"\u0005SummaryInformation";
}

std::string Printable(const std::u16string& name) {
    std::string out;
    for (char16_t c : name) out += (c >= 0x20 && c < 0x7f) ? char(c) : '?';
    return out;
}

// Every entry below `a_storage` (streams by bytes, storages by CLSID and
// contents) is in `b_storage` the same.
void ExpectSameTree(const CompoundFile& a, EntryId a_storage, const CompoundFile& b,
                    EntryId b_storage, bool whole, size_t& compared) {
    for (EntryId id : a.Children(a_storage)) {
        const auto& entry = a.entry(id);
        if (!whole && !CarriedVerbatim(entry.name)) continue;
        const auto other = b.Find(b_storage, entry.name);
        ASSERT_TRUE(other.has_value()) << Printable(entry.name) << " is missing";
        const auto& copy = b.entry(*other);
        ASSERT_EQ(copy.is_storage(), entry.is_storage()) << Printable(entry.name);
        if (entry.is_storage()) {
            EXPECT_EQ(copy.clsid, entry.clsid) << Printable(entry.name);
            ExpectSameTree(a, id, b, *other, /*whole=*/true, compared);
        } else {
            EXPECT_EQ(StreamBytes(b, *other), StreamBytes(a, id)) << Printable(entry.name);
        }
        ++compared;
    }
}

struct Case {
    const char* fixture;
    const char* what;  // for the message
};

const Case kCases[] = {
    {"real/lessmsi/putty-0.68-installer.msi", "signature, cabinet"},
    {"real/lessmsi/IviNetSharedComponents32_Fx20_1.3.0.msi", "signature, 4 KiB sectors"},
    {"real/lessmsi/vcredist.msi", "signature, ten cabinets"},
    {"real/adobe-reader/AcroRead.msi", "signature, icons"},
    {"real/pes2012/PES2012DEMO.msi", "signature, UTF-8 pool"},
    {"real/wix3/SimpleInstanceTransform.msi", "embedded transform storages"},
    {"real/wix3/gdr1.msp", "patch with transform storages"},
};

class CommitPreservation : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        source_ = testing_support::Fixture(GetParam().fixture);
        if (source_.empty()) GTEST_SKIP() << "fixture not available: " << GetParam().fixture;
    }
    void ExpectCarried(const fs::path& copy) {
        auto a = CompoundFile::Open(source_.string());
        auto b = CompoundFile::Open(copy.string());
        ASSERT_TRUE(a.ok() && b.ok());
        EXPECT_EQ((*b)->root_clsid(), (*a)->root_clsid());
        size_t compared = 0;
        ExpectSameTree(**a, CompoundFile::kRootId, **b, CompoundFile::kRootId, false, compared);
        EXPECT_GT(compared, 0u) << GetParam().what;
    }
    fs::path source_;
};

TEST_P(CommitPreservation, UnmodifiedCopyThroughAnOutputPathCarriesStreamsAndStorages) {
    TempDir dir(/*redirect_tmpdir=*/true);
    const fs::path out = dir.path() / "out.msi";
    {
        Handle db;
        ASSERT_EQ(MsiOpenDatabaseA(source_.c_str(), out.c_str(), db.out()), ERROR_SUCCESS);
        ASSERT_EQ(MsiDatabaseCommit(db.get()), ERROR_SUCCESS);
    }
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"out.msi"}) << "a temporary file is left";
    ExpectCarried(out);
}

TEST_P(CommitPreservation, TransactedEditCarriesStreamsAndStorages) {
    TempDir dir(/*redirect_tmpdir=*/true);
    const fs::path copy = dir.path() / "copy.msi";
    fs::copy_file(source_, copy);
    {
        Handle db;
        ASSERT_EQ(MsiOpenDatabaseA(copy.c_str(), MSIDBOPEN_TRANSACT, db.out()), ERROR_SUCCESS);
        Handle view;
        // A patch has no Property table: it gets a table of its own.
        const bool has_property =
            MsiDatabaseIsTablePersistentA(db.get(), "Property") == MSICONDITION_TRUE;
        if (!has_property) {
            ASSERT_EQ(
                MsiDatabaseOpenViewA(db.get(),
                                     "CREATE TABLE `Property` (`Property` CHAR(72) NOT "
                                     "NULL, `Value` LONGCHAR NOT NULL PRIMARY KEY `Property`)",
                                     view.out()),
                ERROR_SUCCESS);
            ASSERT_EQ(MsiViewExecute(view.get(), 0), ERROR_SUCCESS);
        }
        ASSERT_EQ(MsiDatabaseOpenViewA(db.get(),
                                       "INSERT INTO `Property` (`Property`, `Value`) VALUES "
                                       "('InteropAdded', 'yes')",
                                       view.out()),
                  ERROR_SUCCESS);
        ASSERT_EQ(MsiViewExecute(view.get(), 0), ERROR_SUCCESS);
        view.Reset();
        ASSERT_EQ(MsiDatabaseCommit(db.get()), ERROR_SUCCESS);
    }
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"copy.msi"}) << "a temporary file is left";
    ExpectCarried(copy);
    Handle db;
    ASSERT_EQ(MsiOpenDatabaseA(copy.c_str(), MSIDBOPEN_READONLY, db.out()), ERROR_SUCCESS);
    const ApiTable added =
        ReadQuery(db.get(), "SELECT `Value` FROM `Property` WHERE `Property` = 'InteropAdded'");
    ASSERT_EQ(added.rows.size(), 1u);
    EXPECT_EQ(added.rows[0][0].bytes, "yes");
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CommitPreservation, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name = fs::path(info.param.fixture).stem().string();
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
}  // namespace msi_interop
