// Files the writer makes must read in an independent implementation: copies
// of real packages are listed by msitools' msiinfo exactly as the packages
// they copy.
// Skipped when msiinfo or the fixtures are absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <vector>

#include "storage/compound_writer.h"
#include "test_support.h"

namespace msi::storage {
namespace {

// Standard output of `msiinfo <words...>` with its lines sorted (the copy's
// directory order differs from its source's), and the exit status.
std::pair<std::string, int> Msiinfo(const std::vector<std::string>& words) {
    std::vector<std::string> argv = {"msiinfo"};
    argv.insert(argv.end(), words.begin(), words.end());
    const auto run = testing_support::Run(argv);
    std::vector<std::string> lines;
    std::istringstream in(run.out);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    std::sort(lines.begin(), lines.end());
    std::string sorted;
    for (const std::string& l : lines) sorted += l + "\n";
    return {sorted, run.status};
}

TEST(PeerCheck, MsiinfoListsCopiedPackagesLikeTheirSources) {
    VSB_REQUIRE_PROGRAM("msiinfo");
    testing_support::TempDir dir;
    for (const char* name : {"real/lessmsi/putty-0.68-installer.msi",
                             "real/lessmsi/IviNetSharedComponents32_Fx20_1.3.0.msi",
                             "real/wix3/SimpleInstanceTransform.msi"}) {
        const std::filesystem::path original = testing_support::Fixture(name);
        if (original.empty()) GTEST_SKIP() << "fixture not available: " << name;
        SCOPED_TRACE(name);
        auto file = CompoundFile::Open(original.string());
        ASSERT_TRUE(file.ok()) << file.status().ToString();
        CompoundWriter w;
        w.SetRootInfo(StorageInfo::Of(file.value()->entry(CompoundFile::kRootId)));
        ASSERT_TRUE(
            w.CopyChildren(CompoundWriter::kRoot, *file.value(), CompoundFile::kRootId).ok());
        const std::string copy = dir.str() + "/copy.msi";
        ASSERT_TRUE(w.WriteFile(copy).ok());
        // Each command's words before the file, then after it.
        const std::pair<std::vector<std::string>, std::vector<std::string>> commands[] = {
            {{"tables"}, {}},
            {{"streams"}, {}},
            {{"suminfo"}, {}},
            {{"export", "-s"}, {"Property"}}};
        for (const auto& [before, after] : commands) {
            auto words_for = [&](const std::string& file) {
                std::vector<std::string> words = before;
                words.push_back(file);
                words.insert(words.end(), after.begin(), after.end());
                return words;
            };
            const auto want = Msiinfo(words_for(original.string()));
            const auto got = Msiinfo(words_for(copy));
            EXPECT_EQ(got.second, want.second) << before[0];
            EXPECT_EQ(got.first, want.first) << before[0];
            EXPECT_FALSE(got.first.empty()) << before[0];
        }
    }
}

}  // namespace
}  // namespace msi::storage
