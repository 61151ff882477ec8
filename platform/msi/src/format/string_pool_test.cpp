#include "format/string_pool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/byte_order.h"
#include "format/code_page.h"
#include "win32/codepage.h"

namespace msi::format {
namespace {

// Builds _StringPool bytes: a header word, then 16-bit fields as given.
std::vector<uint8_t> PoolBytes(uint32_t header, std::initializer_list<uint16_t> fields) {
    std::vector<uint8_t> out;
    AppendU32(out, header);
    for (uint16_t f : fields) AppendU16(out, f);
    return out;
}

std::vector<uint8_t> Bytes(std::string_view text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

StringPool MustLoad(const std::vector<uint8_t>& pool, const std::vector<uint8_t>& data) {
    Result<StringPool> loaded = StringPool::Load(pool, data);
    EXPECT_TRUE(loaded.ok()) << loaded.status().ToString();
    return loaded.ok() ? std::move(loaded).value() : StringPool();
}

uint32_t MustAdd(StringPool& pool, std::string_view bytes, uint32_t refs = 1) {
    Result<uint32_t> id = pool.Add(bytes, refs);
    EXPECT_TRUE(id.ok()) << id.status().ToString();
    return id.ok() ? id.value() : 0;
}

TEST(StringPoolTest, AbsentStreamsGiveAnEmptyNeutralPool) {
    StringPool pool = MustLoad({}, {});
    EXPECT_EQ(pool.code_page(), 0u);
    EXPECT_EQ(pool.size(), 0u);
    EXPECT_EQ(pool.HighestId(), 0u);
    const StringPool::Streams streams = pool.Serialize();
    EXPECT_EQ(streams.pool, PoolBytes(0, {}));
    EXPECT_TRUE(streams.data.empty());
}

TEST(StringPoolTest, DataWithoutPoolIsCorrupt) {
    Result<StringPool> loaded = StringPool::Load({}, Bytes("abc"));
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.status().kind(), Status::Kind::kCorrupt);
}

TEST(StringPoolTest, LoadsEntriesAndHolesAndReusesTheLowestHole) {
    // cp 1252; id 1 "abc" x2, id 2 free, id 3 "de" x1, id 4 free, id 5 "f" x3.
    StringPool pool = MustLoad(PoolBytes(1252, {3, 2, 0, 0, 2, 1, 0, 0, 1, 3}), Bytes("abcdef"));
    EXPECT_EQ(pool.code_page(), 1252u);
    EXPECT_FALSE(pool.loaded_long_refs());
    EXPECT_EQ(pool.size(), 3u);
    EXPECT_EQ(pool.Lookup(1), "abc");
    EXPECT_FALSE(pool.Lookup(2).has_value());
    EXPECT_EQ(pool.Lookup(3), "de");
    EXPECT_EQ(pool.Lookup(5), "f");
    EXPECT_EQ(pool.Lookup(0), "");
    EXPECT_FALSE(pool.Lookup(99).has_value());
    EXPECT_EQ(pool.Find("de"), 3u);
    EXPECT_EQ(pool.Find("d"), 0u);
    EXPECT_EQ(pool.RefCount(5), 3u);

    EXPECT_EQ(MustAdd(pool, "new"), 2u);
    EXPECT_EQ(MustAdd(pool, "next"), 4u);
    EXPECT_EQ(MustAdd(pool, "last"), 6u);
    EXPECT_EQ(MustAdd(pool, "abc"), 1u);
    EXPECT_EQ(pool.RefCount(1), 3u);
}

TEST(StringPoolTest, SerializeWritesHolesAndDropsTrailingFreeIds) {
    StringPool pool = MustLoad(PoolBytes(0, {1, 1, 0, 0, 1, 1, 0, 0, 0, 0}), Bytes("xy"));
    EXPECT_EQ(pool.IdLimit(), 6u);
    EXPECT_EQ(pool.HighestId(), 3u);
    const StringPool::Streams streams = pool.Serialize();
    EXPECT_EQ(streams.pool, PoolBytes(0, {1, 1, 0, 0, 1, 1}));
    EXPECT_EQ(streams.data, Bytes("xy"));
}

TEST(StringPoolTest, EmptyStringIsTheNullId) {
    StringPool pool;
    EXPECT_EQ(MustAdd(pool, ""), 0u);
    EXPECT_EQ(pool.size(), 0u);
    EXPECT_EQ(pool.Find(""), 0u);
    EXPECT_TRUE(pool.AddRef(0).ok());
    EXPECT_TRUE(pool.Release(0).ok());
}

TEST(StringPoolTest, ReleaseToZeroFreesTheId) {
    StringPool pool;
    const uint32_t a = MustAdd(pool, "alpha");
    const uint32_t b = MustAdd(pool, "beta", 2);
    ASSERT_TRUE(pool.Release(b).ok());
    EXPECT_EQ(pool.Find("beta"), b);
    ASSERT_TRUE(pool.Release(b).ok());
    EXPECT_EQ(pool.Find("beta"), 0u);
    EXPECT_FALSE(pool.Lookup(b).has_value());
    EXPECT_FALSE(pool.Release(b).ok());
    EXPECT_FALSE(pool.AddRef(b).ok());
    EXPECT_EQ(MustAdd(pool, "gamma"), b);
    EXPECT_EQ(pool.Lookup(a), "alpha");
}

TEST(StringPoolTest, ReleaseBelowZeroIsRefused) {
    StringPool pool = MustLoad(PoolBytes(0, {2, 0}), Bytes("zz"));
    Status s = pool.Release(1);
    EXPECT_EQ(s.kind(), Status::Kind::kInvalidArgument);
    EXPECT_EQ(pool.Lookup(1), "zz");
}

TEST(StringPoolTest, RecountProducesExactCountsAndFreesUnusedStrings) {
    // Counts as a libmsi-made file might carry them: too low, one string unused.
    StringPool pool = MustLoad(PoolBytes(0, {1, 1, 1, 0, 1, 5}), Bytes("abc"));
    pool.ResetCounts();
    for (uint32_t cell : {1u, 1u, 2u, 0u, 1u}) ASSERT_TRUE(pool.AddRef(cell).ok());
    pool.FreeUnreferenced();
    EXPECT_EQ(pool.RefCount(1), 3u);
    EXPECT_EQ(pool.RefCount(2), 1u);
    EXPECT_FALSE(pool.Lookup(3).has_value());
    const StringPool::Streams streams = pool.Serialize();
    EXPECT_EQ(streams.pool, PoolBytes(0, {1, 3, 1, 1}));
    EXPECT_EQ(streams.data, Bytes("ab"));
}

TEST(StringPoolTest, CountsAboveTheFieldWidthAreSaturated) {
    StringPool pool;
    MustAdd(pool, "busy", 70000);
    EXPECT_EQ(pool.RefCount(1), 70000u);
    EXPECT_EQ(pool.Serialize().pool, PoolBytes(0, {4, 0xFFFF}));
}

TEST(StringPoolTest, LongStringUsesTheEightByteEntryAndOneId) {
    const std::string big(70000, 'q');
    StringPool pool;
    MustAdd(pool, "a");
    MustAdd(pool, big, 2);
    MustAdd(pool, "b");
    const StringPool::Streams streams = pool.Serialize();
    // 70,000 = 0x00011170: entry 00 00 | 02 00 | 70 11 01 00.
    EXPECT_EQ(streams.pool, PoolBytes(0, {1, 1, 0, 2, 0x1170, 0x0001, 1, 1}));
    EXPECT_EQ(streams.data.size(), 70002u);

    StringPool loaded = MustLoad(streams.pool, streams.data);
    EXPECT_EQ(loaded.Lookup(2), big);
    EXPECT_EQ(loaded.Lookup(3), "b");
    EXPECT_EQ(loaded.RefCount(2), 2u);
    EXPECT_EQ(loaded.Serialize().pool, streams.pool);
}

TEST(StringPoolTest, UnreferencedLongStringIsWrittenAsAFreeId) {
    StringPool pool;
    MustAdd(pool, std::string(0x10000, 'L'));
    MustAdd(pool, "tail");
    pool.ResetCounts();
    ASSERT_TRUE(pool.AddRef(2).ok());
    // Not freed yet: the entry form cannot carry a zero count, so it is a hole.
    const StringPool::Streams streams = pool.Serialize();
    EXPECT_EQ(streams.pool, PoolBytes(0, {0, 0, 4, 1}));
    EXPECT_EQ(streams.data, Bytes("tail"));

    // At the end of the pool such an entry is a trailing free id: dropped.
    MustAdd(pool, std::string(0x10000, 'M'), 0);
    EXPECT_EQ(pool.HighestId(), 3u);
    EXPECT_EQ(pool.Serialize().pool, PoolBytes(0, {0, 0, 4, 1}));
}

TEST(StringPoolTest, LibmsiLongFormIsAcceptedOnlyWhenItAccountsForEveryByte) {
    // libmsi writes 140,000 (0x222E0) with count 1 as 0, 0x0002, 0x22E0, 0x0001.
    // The correct reading would take count 2 and length 0x122E0 (74,464).
    const std::vector<uint8_t> pool_bytes = PoolBytes(0, {0, 0x0002, 0x22E0, 0x0001, 3, 1});
    std::vector<uint8_t> data(140000 + 3, 'x');
    data[140000] = 'e', data[140001] = 'n', data[140002] = 'd';
    StringPool pool = MustLoad(pool_bytes, data);
    ASSERT_TRUE(pool.Lookup(1).has_value());
    EXPECT_EQ(pool.Lookup(1)->size(), 140000u);
    EXPECT_EQ(pool.RefCount(1), 1u);
    EXPECT_EQ(pool.Lookup(2), "end");
    // Written back in the correct form.
    EXPECT_EQ(pool.Serialize().pool, PoolBytes(0, {0, 1, 0x22E0, 0x0002, 3, 1}));

    // With one byte more, neither reading accounts for the data: the correct
    // reading wins and the trailing bytes are ignored.
    data.push_back('!');
    StringPool other = MustLoad(pool_bytes, data);
    EXPECT_EQ(other.Lookup(1)->size(), 0x122E0u);
}

TEST(StringPoolTest, LengthsThatOverrunTheDataAreCorrupt) {
    Result<StringPool> loaded = StringPool::Load(PoolBytes(0, {3, 1, 4, 1}), Bytes("abcdef"));
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.status().kind(), Status::Kind::kCorrupt);
    EXPECT_NE(loaded.status().message().find("add up to 7 bytes"), std::string::npos);
}

TEST(StringPoolTest, TruncatedStreamsAreCorrupt) {
    EXPECT_FALSE(StringPool::Load(std::vector<uint8_t>{0, 0}, {}).ok());
    std::vector<uint8_t> half_entry = PoolBytes(0, {1});
    EXPECT_FALSE(StringPool::Load(half_entry, Bytes("a")).ok());
    // A long-form marker with its 32-bit length missing.
    EXPECT_FALSE(StringPool::Load(PoolBytes(0, {0, 1}), {}).ok());
    // A long-form entry claiming length 0.
    EXPECT_FALSE(StringPool::Load(PoolBytes(0, {0, 1, 0, 0}), {}).ok());
}

TEST(StringPoolTest, ThreeByteReferencesExactlyAboveIdFFFF) {
    StringPool pool;
    for (uint32_t i = 0; i < 0xFFFF; ++i) MustAdd(pool, "s" + std::to_string(i));
    EXPECT_EQ(pool.HighestId(), 0xFFFFu);
    EXPECT_FALSE(pool.NeedsLongRefs());
    EXPECT_EQ(pool.Serialize().pool[3], 0x00);

    for (uint32_t i = 0xFFFF; i < 70000; ++i) MustAdd(pool, "s" + std::to_string(i));
    EXPECT_TRUE(pool.NeedsLongRefs());
    const StringPool::Streams streams = pool.Serialize();
    EXPECT_EQ(LoadU32(streams.pool.data()), 0x80000000u);

    StringPool loaded = MustLoad(streams.pool, streams.data);
    EXPECT_TRUE(loaded.loaded_long_refs());
    EXPECT_EQ(loaded.size(), 70000u);
    EXPECT_EQ(loaded.Lookup(70000), "s69999");
    EXPECT_EQ(loaded.Find("s65536"), 65537u);

    // Freeing every id above 0xFFFF drops them and the flag with them.
    for (uint32_t id = 0x10000; id <= 70000; ++id) ASSERT_TRUE(loaded.Release(id).ok());
    EXPECT_FALSE(loaded.NeedsLongRefs());
    EXPECT_EQ(loaded.Serialize().pool.size(), 4u + 4u * 0xFFFF);
}

TEST(StringPoolTest, DuplicatesInAFileResolveToTheFirstId) {
    StringPool pool = MustLoad(PoolBytes(0, {2, 1, 2, 1}), Bytes("dodo"));
    EXPECT_EQ(pool.Lookup(1), "do");
    EXPECT_EQ(pool.Lookup(2), "do");
    EXPECT_EQ(pool.Find("do"), 1u);
    ASSERT_TRUE(pool.Release(2).ok());
    EXPECT_EQ(pool.Find("do"), 1u);
}

TEST(StringPoolTest, AddingAPieceOfAStoredStringCopiesItFirst) {
    StringPool pool;
    MustAdd(pool, "prefix-and-suffix");
    const std::string_view piece = pool.Lookup(1)->substr(7, 3);
    const uint32_t id = MustAdd(pool, piece);
    EXPECT_EQ(pool.Lookup(id), "and");
}

TEST(StringPoolTest, FreedBytesAreReclaimedWithoutChangingIds) {
    StringPool pool;
    std::vector<uint32_t> ids;
    for (char c = 'a'; c <= 'f'; ++c) ids.push_back(MustAdd(pool, std::string(400000, c)));
    for (size_t i = 0; i < ids.size(); i += 2) ASSERT_TRUE(pool.Release(ids[i]).ok());
    const uint32_t fresh = MustAdd(pool, "fresh");
    EXPECT_EQ(fresh, ids[0]);
    for (size_t i = 1; i < ids.size(); i += 2) {
        EXPECT_EQ(pool.Lookup(ids[i]), std::string(400000, char('a' + i))) << i;
        EXPECT_EQ(pool.Find(std::string(400000, char('a' + i))), ids[i]);
    }
    EXPECT_EQ(pool.Serialize().data.size(), 3u * 400000 + 5);
}

TEST(StringPoolTest, CodePageMustBeOneADatabaseMayCarry) {
    StringPool pool;
    for (uint32_t cp : {0u, 874u, 932u, 936u, 949u, 950u, 1250u, 1252u, 1258u, 65000u, 65001u}) {
        EXPECT_TRUE(pool.SetCodePage(cp).ok()) << cp;
        EXPECT_EQ(pool.code_page(), cp);
    }
    for (uint32_t cp : {1u, 1200u, 1259u, 65002u, 0x80000000u}) {
        EXPECT_EQ(pool.SetCodePage(cp).kind(), Status::Kind::kInvalidArgument) << cp;
    }
    EXPECT_EQ(pool.code_page(), 65001u);
}

TEST(StringPoolTest, Cp1252TextConvertsToUtf8AndBack) {
    StringPool pool;
    ASSERT_TRUE(pool.SetCodePage(1252).ok());
    const std::string utf8 =
        "caf\xC3\xA9 \xE2\x82\xAC 1\xE2\x80\x93"
        "2";  // café € 1–2
    Result<uint32_t> id = pool.AddText(utf8);
    ASSERT_TRUE(id.ok()) << id.status().ToString();
    EXPECT_EQ(pool.Lookup(*id),
              "caf\xE9 \x80 1\x96"
              "2");
    Result<std::string> back = pool.LookupText(*id);
    ASSERT_TRUE(back.ok()) << back.status().ToString();
    EXPECT_EQ(back.value(), utf8);
    Result<uint32_t> found = pool.FindText(utf8);
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(found.value(), *id);
    // A character cp1252 lacks cannot be stored.
    Result<uint32_t> greek = pool.AddText("\xCE\xA9");
    ASSERT_FALSE(greek.ok());
    EXPECT_EQ(greek.status().kind(), Status::Kind::kUnsupported);
}

// Packages made on Western systems (wixl among their makers) leave the pool
// neutral and store Windows-1252 bytes: they read as that text, the same text
// finds them, and new text is stored the same way, so the peers read it too.
TEST(StringPoolTest, NeutralPoolReadsAndWritesWindows1252) {
    StringPool pool = MustLoad(PoolBytes(0, {2, 1}), std::vector<uint8_t>{0xE9, 0x80});
    Result<std::string> text = pool.LookupText(1);
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(text.value(), "\xC3\xA9\xE2\x82\xAC");  // é€
    Result<uint32_t> found = pool.FindText("\xC3\xA9\xE2\x82\xAC");
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(found.value(), 1u);
    Result<uint32_t> added = pool.AddText("\xC3\xA9\xE2\x82\xAC");
    ASSERT_TRUE(added.ok());
    EXPECT_EQ(added.value(), 1u);
    EXPECT_EQ(pool.RefCount(1), 2u);
    Result<uint32_t> other = pool.AddText("caf\xC3\xA9");
    ASSERT_TRUE(other.ok());
    EXPECT_EQ(pool.Lookup(*other), "caf\xE9");
    // A character 1252 lacks is kept as UTF-8, which reads back unchanged.
    Result<uint32_t> cyrillic = pool.AddText("\xD0\x96");
    ASSERT_TRUE(cyrillic.ok());
    EXPECT_EQ(pool.Lookup(*cyrillic), "\xD0\x96");
    EXPECT_EQ(*pool.LookupText(*cyrillic), "\xD0\x96");
    EXPECT_EQ(pool.size(), 3u);
    EXPECT_EQ(pool.LookupText(7).status().kind(), Status::Kind::kNotFound);
}

// A neutral pool written as UTF-8 (by this engine before, or by other tools)
// reads unchanged, and the same text finds that entry instead of adding its
// 1252 form beside it: one text, one string id.
TEST(StringPoolTest, NeutralUtf8EntryIsTheSameStringAsIts1252Form) {
    StringPool pool = MustLoad(PoolBytes(0, {2, 1}), std::vector<uint8_t>{0xC3, 0xA9});
    EXPECT_EQ(*pool.LookupText(1), "\xC3\xA9");
    EXPECT_EQ(*pool.FindText("\xC3\xA9"), 1u);
    EXPECT_EQ(*pool.AddText("\xC3\xA9"), 1u);
    EXPECT_EQ(pool.RefCount(1), 2u);
    EXPECT_EQ(pool.size(), 1u);
}

// Texts are converted once and kept; what was learnt about an id must not
// outlive its bytes, the pool's code page or the process code page.
TEST(StringPoolTest, ConvertedTextFollowsTheIdTheCodePageAndTheProcess) {
    StringPool pool =
        MustLoad(PoolBytes(0, {1, 1, 5, 1}), std::vector<uint8_t>{0xE9, 'p', 'l', 'a', 'i', 'n'});
    EXPECT_EQ(*pool.LookupText(1), "\xC3\xA9");  // neutral: Windows-1252
    EXPECT_EQ(*pool.LookupTextView(2), "plain");
    ASSERT_TRUE(pool.SetCodePage(1251).ok());
    EXPECT_EQ(*pool.LookupText(1), "\xD0\xB9");  // the same byte in Cyrillic
    ASSERT_TRUE(pool.SetCodePage(0).ok());
    ASSERT_TRUE(win32::SetProcessCodePage(932));
    // A process that is not UTF-8 takes neutral bytes as they are.
    EXPECT_EQ(*pool.LookupText(1), "\xE9");
    ASSERT_TRUE(win32::SetProcessCodePage(CP_UTF8));
    EXPECT_EQ(*pool.LookupText(1), "\xC3\xA9");
    // A freed id taken by new bytes reads as them.
    ASSERT_TRUE(pool.Release(1).ok());
    EXPECT_EQ(MustAdd(pool, "\xFC"), 1u);
    EXPECT_EQ(*pool.LookupText(1), "\xC3\xBC");
    EXPECT_EQ(pool.LookupTextView(3).status().kind(), Status::Kind::kNotFound);
}

// Whether bytes are their own text is learnt for a block of the pool at a
// time; that must not outlive the bytes or the code page it was learnt for.
TEST(StringPoolTest, BytesTakenAsTextFollowTheBytesAndTheCodePage) {
    StringPool added = MustLoad(PoolBytes(0, {3, 1}), Bytes("abc"));
    EXPECT_EQ(*added.LookupTextView(1), "abc");
    // Added after that lookup, into the block it found to be ASCII.
    EXPECT_EQ(*added.LookupText(MustAdd(added, "\xE9")), "\xC3\xA9");

    StringPool recoded = MustLoad(PoolBytes(0, {3, 1}), Bytes("a+b"));
    EXPECT_EQ(*recoded.LookupTextView(1), "a+b");
    // UTF-7 reads '+' as the start of a shifted sequence.
    ASSERT_TRUE(recoded.SetCodePage(65000).ok());
    const Result<std::string> expected = DatabaseToProcess("a+b", 65000);
    const Result<std::string> text = recoded.LookupText(1);
    ASSERT_EQ(text.ok(), expected.ok());
    if (text.ok()) {
        EXPECT_EQ(*text, *expected);
    }
}

// The index behind Find and Add is built on first use; ids freed before that
// stay out of it, and what was added after it is found.
TEST(StringPoolTest, IndexBuiltLateKnowsOnlyTheStringsInUse) {
    StringPool pool = MustLoad(PoolBytes(0, {3, 1, 3, 1, 3, 1}), Bytes("onetwoone"));
    ASSERT_TRUE(pool.Release(1).ok());
    EXPECT_EQ(pool.Find("one"), 3u);
    EXPECT_EQ(pool.Find("two"), 2u);
    EXPECT_EQ(MustAdd(pool, "new"), 1u);
    EXPECT_EQ(pool.Find("new"), 1u);
    ASSERT_TRUE(pool.Release(2).ok());
    EXPECT_EQ(pool.Find("two"), 0u);
    EXPECT_EQ(MustAdd(pool, "two"), 2u);
}

}  // namespace
}  // namespace msi::format
