// Deterministic mutations of a valid archive, each imported into a fresh
// database: an error or a success, never a crash, a hang or a read outside
// the folder (the sanitizer build runs this too).
#include <filesystem>
#include <gtest/gtest.h>
#include <random>

#include "idt/idt_test_util.h"
#include "idt/text_archive.h"
#include "test_support.h"

namespace msi::idt {
namespace {

namespace fs = std::filesystem;

const std::string kValid =
    "Name\tData\tNumber\tText\r\n"
    "s72\tV0\tI4\tL255\r\n"
    "1252\tBinary\tName\r\n"
    "Blob\tBlob.ibd\t-12\tcaf\xE9\x11\x19line\r\n"
    "Empty\t\t\t\r\n"
    "Third\tBlob.ibd\t2147483647\t\x10tab\r\n";

std::string Mutate(std::string text, std::mt19937& rng) {
    static const char kInteresting[] = {'\t', '\r', '\n', '/', '.', '\0', '-', '9', 'v', '\x15'};
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits && !text.empty(); ++e) {
        const size_t pos = rng() % text.size();
        switch (rng() % 5) {
            case 0:
                text[pos] = static_cast<char>(rng() & 0xFF);
                break;
            case 1:
                text[pos] = kInteresting[rng() % sizeof kInteresting];
                break;
            case 2:
                text.erase(pos, 1 + rng() % 8);
                break;
            case 3:
                text.insert(pos, 1, kInteresting[rng() % sizeof kInteresting]);
                break;
            default:
                text.insert(pos, text.substr(rng() % text.size(), 1 + rng() % 16));
                break;
        }
    }
    return text;
}

TEST(ArchiveFuzzTest, MutatedArchivesImportOrFailCleanly) {
    testing_support::TempDir dir;
    const std::string in = (dir.path() / "in").string();
    fs::create_directories(in + "/Binary");
    testing_support::WriteFile(in + "/Binary/Blob.ibd", "blob bytes");
    testing_support::WriteFile(dir.path() / "outside.ibd", "must never be read");
    testing_support::WriteFile(in + "/Binary.idt", kValid);
    {
        auto db = test::CreateDatabase((dir.path() / "v.msi").string());
        Status s = ImportArchive(*db, in, "Binary.idt");
        ASSERT_TRUE(s.ok()) << "the unmutated archive must import: " << s.ToString();
    }
    std::mt19937 rng(20261207);
    size_t ok = 0, failed = 0;
    for (int i = 0; i < 3000; ++i) {
        testing_support::WriteFile(in + "/Binary.idt", Mutate(kValid, rng));
        auto db = test::CreateDatabase((dir.path() / "m.msi").string());
        ASSERT_TRUE(db);
        Status s = ImportArchive(*db, in, "Binary.idt");
        if (!s.ok()) {
            ++failed;
            EXPECT_FALSE(s.message().empty());
            continue;
        }
        ++ok;
        // Whatever imported exports again.
        const std::string out = (dir.path() / "out").string();
        fs::create_directories(out);
        for (const auto& table : db->TableNames())
            EXPECT_TRUE(ExportArchive(*db, table, out, "x.idt").ok()) << table;
        fs::remove_all(out);
    }
    // Both outcomes occur, so the mutations reach past the header.
    EXPECT_GT(ok, 0u);
    EXPECT_GT(failed, 0u);
}

}  // namespace
}  // namespace msi::idt
