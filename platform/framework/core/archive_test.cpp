#include "core/archive.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>

#include "core/exceptions.h"
#include "core/object.h"
#include "test_support.h"

namespace {

// A small serialisable class: a number, a name and an optional child object.
class CPart : public CObject {
    DECLARE_SERIAL(CPart)
  public:
    CPart() = default;
    CPart(int32_t number, std::string name) : number_(number), name_(std::move(name)) {}
    ~CPart() override { delete child_; }
    CPart(const CPart&) = delete;
    CPart& operator=(const CPart&) = delete;

    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar << number_ << name_;
            ar.WriteObject(child_);
        } else {
            ar >> number_ >> name_;
            child_ = static_cast<CPart*>(ar.ReadObject(RUNTIME_CLASS(CPart)));
        }
    }

    int32_t number_ = 0;
    std::string name_;
    CPart* child_ = nullptr;  // owned
};
IMPLEMENT_SERIAL(CPart, CObject, 2)

// Loads any schema it was stored with and remembers which one.
class CVersioned : public CObject {
    DECLARE_SERIAL(CVersioned)
  public:
    void Serialize(CArchive& ar) override {
        if (ar.IsLoading()) seen_schema_ = ar.GetObjectSchema();
    }
    uint32_t seen_schema_ = 0;
};
IMPLEMENT_SERIAL(CVersioned, CObject, VERSIONABLE_SCHEMA | 5)

class CNotSerial : public CObject {
    DECLARE_DYNCREATE(CNotSerial)
};
IMPLEMENT_DYNCREATE(CNotSerial, CObject)

std::string StoredPart(const CPart& part) {
    CArchive ar = CArchive::Storing();
    ar.WriteObject(&part);
    return ar.Buffer();
}

CArchiveException::Cause LoadFailureCause(const std::string& bytes) {
    CArchive ar = CArchive::Loading(bytes);
    try {
        std::unique_ptr<CObject> object(ar.ReadObject(nullptr));
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return CArchiveException::none;
}

TEST(ArchiveTest, ModeIsReportedFromTheFactory) {
    EXPECT_TRUE(CArchive::Storing().IsStoring());
    EXPECT_FALSE(CArchive::Storing().IsLoading());
    EXPECT_TRUE(CArchive::Loading("").IsLoading());
}

TEST(ArchiveTest, IntegersRoundTripAtTheirLimits) {
    CArchive out = CArchive::Storing();
    out << true << false << std::numeric_limits<int8_t>::min()
        << std::numeric_limits<uint8_t>::max() << std::numeric_limits<int16_t>::min()
        << std::numeric_limits<uint16_t>::max() << std::numeric_limits<int32_t>::min()
        << std::numeric_limits<uint32_t>::max() << std::numeric_limits<int64_t>::min()
        << std::numeric_limits<uint64_t>::max();
    EXPECT_EQ(2u + 1 + 1 + 2 + 2 + 4 + 4 + 8 + 8, out.Buffer().size());

    CArchive in = CArchive::Loading(out.Buffer());
    bool t = false, f = true;
    int8_t i8 = 0;
    uint8_t u8 = 0;
    int16_t i16 = 0;
    uint16_t u16 = 0;
    int32_t i32 = 0;
    uint32_t u32 = 0;
    int64_t i64 = 0;
    uint64_t u64 = 0;
    in >> t >> f >> i8 >> u8 >> i16 >> u16 >> i32 >> u32 >> i64 >> u64;
    EXPECT_TRUE(t);
    EXPECT_FALSE(f);
    EXPECT_EQ(std::numeric_limits<int8_t>::min(), i8);
    EXPECT_EQ(std::numeric_limits<uint8_t>::max(), u8);
    EXPECT_EQ(std::numeric_limits<int16_t>::min(), i16);
    EXPECT_EQ(std::numeric_limits<uint16_t>::max(), u16);
    EXPECT_EQ(std::numeric_limits<int32_t>::min(), i32);
    EXPECT_EQ(std::numeric_limits<uint32_t>::max(), u32);
    EXPECT_EQ(std::numeric_limits<int64_t>::min(), i64);
    EXPECT_EQ(std::numeric_limits<uint64_t>::max(), u64);
    EXPECT_EQ(0u, in.Remaining());
}

TEST(ArchiveTest, IntegersAreStoredLittleEndian) {
    CArchive out = CArchive::Storing();
    out << uint32_t{0x11223344} << int16_t{-2};
    EXPECT_EQ(std::string("\x44\x33\x22\x11\xFE\xFF", 6), out.Buffer());
}

TEST(ArchiveTest, FloatingPointRoundTripsBitForBit) {
    CArchive out = CArchive::Storing();
    out << 1.5f << -0.1 << std::numeric_limits<double>::infinity();
    CArchive in = CArchive::Loading(out.Buffer());
    float f = 0;
    double d = 0, inf = 0;
    in >> f >> d >> inf;
    EXPECT_EQ(1.5f, f);
    EXPECT_EQ(-0.1, d);
    EXPECT_EQ(std::numeric_limits<double>::infinity(), inf);
}

TEST(ArchiveTest, StringsAreLengthPrefixedAndKeepEveryByte) {
    const std::string with_nul("a\0b\xC3\xA4", 5);
    CArchive out = CArchive::Storing();
    out << std::string() << with_nul << "literal" << static_cast<const char*>(nullptr);
    EXPECT_EQ(std::string("\0\0\0\0", 4), out.Buffer().substr(0, 4));
    EXPECT_EQ(std::string("\x05\0\0\0", 4), out.Buffer().substr(4, 4));

    CArchive in = CArchive::Loading(out.Buffer());
    std::string empty = "x", binary, literal, from_null = "x";
    in >> empty >> binary >> literal >> from_null;
    EXPECT_EQ("", empty);
    EXPECT_EQ(with_nul, binary);
    EXPECT_EQ("literal", literal);
    EXPECT_EQ("", from_null);
}

TEST(ArchiveTest, ObjectRoundTripRecreatesClassAndContents) {
    CPart part(42, "gear");
    part.child_ = new CPart(-7, "tooth");
    CArchive in = CArchive::Loading(StoredPart(part));
    CPart* loaded = nullptr;
    in >> loaded;  // the typed form from DECLARE_SERIAL
    std::unique_ptr<CPart> owned(loaded);
    ASSERT_NE(nullptr, loaded);
    EXPECT_EQ(RUNTIME_CLASS(CPart), loaded->GetRuntimeClass());
    EXPECT_EQ(42, loaded->number_);
    EXPECT_EQ("gear", loaded->name_);
    ASSERT_NE(nullptr, loaded->child_);
    EXPECT_EQ(-7, loaded->child_->number_);
    EXPECT_EQ("tooth", loaded->child_->name_);
    EXPECT_EQ(nullptr, loaded->child_->child_);
    EXPECT_EQ(0u, in.Remaining());
}

TEST(ArchiveTest, ObjectIsStoredAsTagClassNameSchemaThenContents) {
    std::string bytes = StoredPart(CPart(1, ""));
    std::string expected("\x4F\x05\0\0\0CPart\x02\0\0\0\x01\0\0\0\0\0\0\0\0", 23);
    EXPECT_EQ(expected, bytes);
}

TEST(ArchiveTest, NullObjectRoundTripsAsNull) {
    CArchive out = CArchive::Storing();
    out.WriteObject(nullptr);
    EXPECT_EQ(std::string(1, '\0'), out.Buffer());
    CArchive in = CArchive::Loading(out.Buffer());
    EXPECT_EQ(nullptr, in.ReadObject(RUNTIME_CLASS(CPart)));
}

TEST(ArchiveTest, EveryTruncationOfAnObjectIsRefused) {
    CPart part(5, "wheel");
    part.child_ = new CPart(6, "spoke");
    const std::string bytes = StoredPart(part);
    for (size_t size = 0; size < bytes.size(); ++size) {
        EXPECT_NE(CArchiveException::none, LoadFailureCause(bytes.substr(0, size)))
            << "truncated to " << size << " bytes";
    }
}

TEST(ArchiveTest, ForeignBytesAreRefusedAsNoObject) {
    EXPECT_EQ(CArchiveException::badClass, LoadFailureCause("PK\x03\x04 not an archive"));
    EXPECT_EQ(CArchiveException::endOfFile, LoadFailureCause(""));
}

TEST(ArchiveTest, UnknownClassIsRefused) {
    std::string bytes = StoredPart(CPart(1, "x"));
    bytes[5] = 'Q';  // "CPart" becomes "QPart"
    EXPECT_EQ(CArchiveException::badClass, LoadFailureCause(bytes));
}

TEST(ArchiveTest, ImpossibleClassNameLengthIsRefusedBeforeReading) {
    std::string bytes("\x4F\xFF\xFF\xFF\x7F", 5);
    EXPECT_EQ(CArchiveException::badClass, LoadFailureCause(bytes));
}

TEST(ArchiveTest, KnownButNotSerialisableClassIsRefused) {
    CArchive out = CArchive::Storing();
    out << CArchive::kObjectTag << std::string("CNotSerial") << uint32_t{0xFFFF};
    EXPECT_EQ(CArchiveException::badClass, LoadFailureCause(out.Buffer()));
}

TEST(ArchiveTest, StoringANotSerialisableObjectIsRefused) {
    CNotSerial object;
    CArchive out = CArchive::Storing();
    EXPECT_THROW(out.WriteObject(&object), CArchiveException);
}

TEST(ArchiveTest, OtherSchemaOfAFixedSchemaClassIsRefused) {
    std::string bytes = StoredPart(CPart(1, "x"));
    bytes[10] = 1;  // schema byte: 2 becomes 1
    EXPECT_EQ(CArchiveException::badSchema, LoadFailureCause(bytes));
}

TEST(ArchiveTest, VersionableClassSeesTheStoredSchema) {
    CArchive out = CArchive::Storing();
    out << CArchive::kObjectTag << std::string("CVersioned") << uint32_t{3};
    CArchive in = CArchive::Loading(out.Buffer());
    EXPECT_EQ(0xFFFFFFFFu, in.GetObjectSchema());
    std::unique_ptr<CObject> object(in.ReadObject(nullptr));
    ASSERT_NE(nullptr, object);
    EXPECT_EQ(3u, static_cast<CVersioned*>(object.get())->seen_schema_);
    EXPECT_EQ(0xFFFFFFFFu, in.GetObjectSchema());
}

TEST(ArchiveTest, VersionableSchemaIsStoredWithoutTheFlag) {
    CVersioned object;
    CArchive out = CArchive::Storing();
    out.WriteObject(&object);
    EXPECT_EQ(std::string("\x05\0\0\0", 4), out.Buffer().substr(out.Buffer().size() - 4));
}

TEST(ArchiveTest, ObjectOfUnexpectedClassIsRefusedAndNotLeaked) {
    CVersioned object;
    CArchive out = CArchive::Storing();
    out.WriteObject(&object);
    CArchive in = CArchive::Loading(out.Buffer());
    EXPECT_THROW(in.ReadObject(RUNTIME_CLASS(CPart)), CArchiveException);
}

TEST(ArchiveTest, StringLengthBeyondTheDataIsRefused) {
    CArchive in =
        CArchive::Loading(std::string("\xFF\xFF\xFF\xFF"
                                      "abc",
                                      7));
    std::string text;
    try {
        in >> text;
        FAIL() << "no exception";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(CArchiveException::endOfFile, e.m_cause);
    }
}

TEST(ArchiveTest, CountLargerThanTheRemainingBytesIsRefused) {
    CArchive out = CArchive::Storing();
    out.WriteCount(3);
    out << std::string("a") << std::string("b");
    CArchive in = CArchive::Loading(out.Buffer());
    EXPECT_THROW(in.ReadCount(5), CArchiveException);
    CArchive again = CArchive::Loading(out.Buffer());
    EXPECT_EQ(3u, again.ReadCount(1));
}

TEST(ArchiveTest, BadTruthValueIsRefused) {
    CArchive in = CArchive::Loading("\x02");
    bool value = false;
    EXPECT_THROW(in >> value, CArchiveException);
}

TEST(ArchiveTest, StoringIntoALoadingArchiveIsRefused) {
    CArchive in = CArchive::Loading("");
    EXPECT_THROW(in << int32_t{1}, CArchiveException);
    CArchive out = CArchive::Storing();
    int32_t value = 0;
    EXPECT_THROW(out >> value, CArchiveException);
}

TEST(ArchiveTest, ReadStringSplitsLinesAndDropsTheirBreaks) {
    CArchive out = CArchive::Storing();
    out.WriteString("first\r\n");
    out.WriteString("second\n\r\nlast");
    CArchive in = CArchive::Loading(out.Buffer());
    std::string line;
    ASSERT_TRUE(in.ReadString(line));
    EXPECT_EQ("first", line);
    ASSERT_TRUE(in.ReadString(line));
    EXPECT_EQ("second", line);
    ASSERT_TRUE(in.ReadString(line));
    EXPECT_EQ("", line);
    ASSERT_TRUE(in.ReadString(line));
    EXPECT_EQ("last", line);
    EXPECT_FALSE(in.ReadString(line));
    EXPECT_EQ("", line);
}

TEST(ArchiveTest, FileRoundTripWritesOnCloseOnly) {
    testing_support::TempDir dir;
    const std::string path = (dir.path() / "parts.bin").string();
    {
        CArchive out = CArchive::StoringToFile(path);
        CPart part(9, "file");
        out.WriteObject(&part);
        EXPECT_TRUE(dir.Entries().empty());  // nothing on disk before Close
        out.Close();
    }
    EXPECT_EQ(std::vector<std::string>{"parts.bin"}, dir.Entries());  // no temporary left
    CArchive in = CArchive::LoadingFromFile(path);
    EXPECT_EQ(path, in.GetFileName());
    std::unique_ptr<CObject> object(in.ReadObject(RUNTIME_CLASS(CPart)));
    ASSERT_NE(nullptr, object);
    EXPECT_EQ("file", static_cast<CPart*>(object.get())->name_);
}

TEST(ArchiveTest, ArchiveDroppedWithoutCloseLeavesTheOldFile) {
    testing_support::TempDir dir;
    const auto path = dir.path() / "keep.bin";
    testing_support::WriteFile(path, "old");
    {
        CArchive out = CArchive::StoringToFile(path.string());
        out << std::string("new");
    }
    EXPECT_EQ("old", testing_support::ReadFile(path));
}

TEST(ArchiveTest, MissingFileThrowsFileExceptionWithItsName) {
    testing_support::TempDir dir;
    const std::string path = (dir.path() / "absent.bin").string();
    try {
        CArchive::LoadingFromFile(path);
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(CFileException::fileNotFound, e.m_cause);
        EXPECT_EQ(path, e.m_strFileName);
        EXPECT_NE(std::string::npos, e.GetErrorMessage().find(path));
    }
}

TEST(ArchiveTest, FolderInsteadOfFileThrowsFileException) {
    testing_support::TempDir dir;
    const auto folder = dir.path() / "folder";
    std::filesystem::create_directory(folder);
    EXPECT_THROW(CArchive::LoadingFromFile(folder.string()), CFileException);
    CArchive out = CArchive::StoringToFile(folder.string());
    out << int32_t{1};
    EXPECT_THROW(out.Close(), CFileException);
    // The temporary file written beside the target is gone again.
    EXPECT_EQ(std::vector<std::string>{"folder"}, dir.Entries());
}

TEST(ArchiveTest, CloseIntoMissingFolderThrowsFileException) {
    testing_support::TempDir dir;
    CArchive out = CArchive::StoringToFile((dir.path() / "no" / "such.bin").string());
    out << int32_t{1};
    EXPECT_THROW(out.Close(), CFileException);
}

}  // namespace
