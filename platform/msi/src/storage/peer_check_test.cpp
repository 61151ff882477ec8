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

constexpr const char* kMsiinfo = "/usr/bin/msiinfo";

// Standard output of `msiinfo <command> <path> <argument>` with its lines
// sorted (the copy's directory order differs from its source's), and the
// exit status. Paths come from the test's own folders and the fixtures, so
// quoting with '' is enough.
std::pair<std::string, int> Msiinfo(const std::string& command, const std::string& path,
                                    const std::string& argument) {
    const std::string line =
        std::string(kMsiinfo) + " " + command + " '" + path + "' " + argument + " 2>/dev/null";
    int status = -1;
    const std::string out = testing_support::RunCommand(line, &status);
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    std::sort(lines.begin(), lines.end());
    std::string sorted;
    for (const std::string& l : lines) sorted += l + "\n";
    return {sorted, status};
}

TEST(PeerCheck, MsiinfoListsCopiedPackagesLikeTheirSources) {
    if (!std::filesystem::exists(kMsiinfo)) GTEST_SKIP() << "msiinfo not installed";
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
        // Each command as "<subcommand> [-s]", the file, then its argument.
        const std::pair<const char*, const char*> commands[] = {
            {"tables", ""}, {"streams", ""}, {"suminfo", ""}, {"export -s", "Property"}};
        for (const auto& [command, argument] : commands) {
            const auto want = Msiinfo(command, original.string(), argument);
            const auto got = Msiinfo(command, copy, argument);
            EXPECT_EQ(got.second, want.second) << command;
            EXPECT_EQ(got.first, want.first) << command;
            EXPECT_FALSE(got.first.empty()) << command;
        }
    }
}

}  // namespace
}  // namespace msi::storage
