#include "tablesmith_test_support.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ostream>

#include "msi.h"
#include "msi_engine.h"

namespace tablesmith_test {

namespace fs = std::filesystem;

std::ostream& operator<<(std::ostream& out, const Message& message) {
    return out << "{\"" << message.text << "\", " << static_cast<int>(message.kind) << "}";
}

std::vector<std::string> FolderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string BuildPackage(const fs::path& folder, const std::string& file_name,
                         const PackageContents& contents) {
    const fs::path work = folder / (file_name + ".src");
    fs::create_directories(work);
    std::vector<std::string> command = {"msibuild", (folder / file_name).string()};
    for (const IdtTable& table : contents.tables) {
        const fs::path idt = work / (table.name + ".idt");
        testing_support::WriteFile(idt, table.text);
        command.insert(command.end(), {"-i", idt.string()});
    }
    int index = 0;
    for (const auto& [name, bytes] : contents.streams) {
        const fs::path data = work / ("stream" + std::to_string(index++));
        testing_support::WriteFile(data, bytes);
        command.insert(command.end(), {"-a", name, data.string()});
    }
    // msibuild takes the summary last: options after it are refused.
    command.insert(command.end(),
                   {"-s", "Tablesmith test", "Tests", contents.template_text, contents.revision});
    const auto run = testing_support::Run(command, testing_support::RunOptions().In(work));
    const int status = run.status;
    EXPECT_EQ(status, 0) << "msibuild failed: " << run.out << run.err;
    if (status != 0) return std::string();
    return (folder / file_name).string();
}

IdtTable PropertyTable() {
    return {"Property",
            "Property\tValue\r\ns72\tl0\r\nProperty\tProperty\r\n"
            "Manufacturer\tAcme\r\n"
            "ProductCode\t{11111111-2222-3333-4444-555555555555}\r\n"
            "ProductName\tWidget\r\n"
            "ProductVersion\t1.2.3\r\n"};
}

IdtTable MediaTable(const std::vector<std::string>& cabinets) {
    std::string text =
        "DiskId\tLastSequence\tDiskPrompt\tCabinet\tVolumeLabel\tSource\r\n"
        "i2\ti4\tL64\tS255\tS32\tS72\r\n"
        "Media\tDiskId\r\n";
    int disk = 1;
    for (const std::string& cabinet : cabinets) {
        text +=
            std::to_string(disk) + "\t" + std::to_string(disk * 10) + "\t\t" + cabinet + "\t\t\r\n";
        ++disk;
    }
    return {"Media", text};
}

IdtTable FeatureTable() {
    return {"Feature",
            "Feature\tFeature_Parent\tTitle\tDescription\tDisplay\tLevel\tDirectory_\t"
            "Attributes\r\n"
            "s38\tS38\tL64\tL255\tI2\ti2\tS72\ti2\r\n"
            "Feature\tFeature\r\n"
            "Complete\t\tEverything\tAll of it\t1\t1\t\t0\r\n"};
}

std::string FakeCabinet(const std::string& payload) {
    // CFHEADER: "MSCF", reserved, cbCabinet, reserved, coffFiles, reserved,
    // version 1.3, no folders, no files, no flags, set 0, index 0.
    std::string header = std::string("MSCF", 4) + std::string(4, '\0');
    const std::uint32_t total = static_cast<std::uint32_t>(36 + payload.size());
    for (int shift = 0; shift < 32; shift += 8)
        header += static_cast<char>((total >> shift) & 0xFF);
    header += std::string(4, '\0') + std::string("\x24\0\0\0", 4) + std::string(4, '\0');
    header += std::string("\x03\x01", 2) + std::string(10, '\0');
    return header + payload;
}

PackageContents SamplePackage() {
    PackageContents contents;
    contents.tables = {PropertyTable(),
                       MediaTable({"#Data1.cab", "#other.CAB", "external.cab", ""}),
                       FeatureTable()};
    contents.streams = {{"Data1.cab", FakeCabinet("first cabinet")},
                        {"other.CAB", FakeCabinet("second")},
                        {"notes.txt", "not a cabinet"}};
    return contents;
}

std::string MsiinfoExport(const std::string& package, const std::string& table) {
    // msiinfo writes the cells of binary columns as files below its working
    // folder ("Binary/Binary.x"): it runs in a private folder of its own, so
    // that nothing lands where the test program happens to be started, and
    // those files are part of what it exported.
    testing_support::TempDir scratch;
    const auto run = testing_support::Run({"msiinfo", "export", package, table},
                                          testing_support::RunOptions().In(scratch.path()));
    if (!run.ok()) return std::string();
    std::string text = run.out;
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(scratch.path()))
        if (entry.is_regular_file())
            files.push_back(fs::relative(entry.path(), scratch.path()).string());
    std::sort(files.begin(), files.end());
    for (const std::string& file : files) {
        const std::string bytes = testing_support::ReadFile(scratch.path() / file);
        // FNV-1a keeps the text short; a changed byte changes it.
        std::uint64_t hash = 14695981039346656037ull;
        for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
        text +=
            "file " + file + " " + std::to_string(bytes.size()) + " " + std::to_string(hash) + "\n";
    }
    return text;
}

void CommandTest::SetUp() {
    ASSERT_EQ(msi::OpenHandleCount(), 0u) << "an earlier test left installer handles open";
}

void CommandTest::TearDown() {
    EXPECT_EQ(msi::OpenHandleCount(), 0u) << "installer handles left open";
    MsiCloseAllHandles();
}

}  // namespace tablesmith_test
