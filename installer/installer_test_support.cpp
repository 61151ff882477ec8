#include "installer_test_support.h"

#include <cstdio>
#include <fstream>

#include "msi_engine.h"
#include "msi.h"

namespace installer_test {

namespace fs = std::filesystem;

namespace {

std::string ItemsText() {
    return "Item\tCount\tNote\tItems_Parent\tData\r\n"
           "s72\tI4\tS255\tS72\tV0\r\n"
           "Items\tItem\r\n"
           "alpha\t1\tfirst\t\talpha.bin\r\n"
           "beta\t\t\talpha\t\r\n"
           "gamma\t3\t" +
           std::string(300, 'x') + "\talpha\t\r\n";
}

}  // namespace

std::string BuildPackage(const fs::path& folder, const std::string& file_name,
                         const std::vector<IdtTable>& tables) {
    const fs::path idt_folder = folder / (file_name + ".idt");
    fs::create_directories(idt_folder);
    std::vector<std::string> command = {"msibuild", (folder / file_name).string()};
    for (const IdtTable& table : tables) {
        const fs::path idt = idt_folder / (table.name + ".idt");
        testing_support::WriteFile(idt, table.text);
        if (!table.streams.empty()) fs::create_directories(idt_folder / table.name);
        for (const auto& [name, bytes] : table.streams)
            testing_support::WriteFile(idt_folder / table.name / name, bytes);
        command.insert(command.end(), {"-i", idt.string()});
    }
    // msibuild takes the summary option's optional words up to the end of
    // the line, so it has to come last.
    command.insert(command.end(), {"-s", "Installer test", "Tests", "Intel;1033",
                                   "{12345678-1234-1234-1234-123456789012}"});
    const auto run = testing_support::Run(command, testing_support::RunOptions().In(idt_folder));
    const int status = run.status;
    EXPECT_EQ(status, 0) << "msibuild failed: " << run.out << run.err;
    if (status != 0) return std::string();
    return (folder / file_name).string();
}

IdtTable PropertyTable(const std::string& manufacturer, const std::string& name,
                       const std::string& version, const std::string& code) {
    IdtTable table;
    table.name = "Property";
    table.text = "Property\tValue\r\ns72\tl0\r\nProperty\tProperty\r\n";
    table.text += "Manufacturer\t" + manufacturer + "\r\n";
    table.text += "ProductName\t" + name + "\r\n";
    table.text += "ProductVersion\t" + version + "\r\n";
    table.text += "ProductCode\t" + code + "\r\n";
    return table;
}

std::string BuildSamplePackage(const fs::path& folder, const std::string& file_name) {
    IdtTable items{"Items", ItemsText(), {{"alpha.bin", std::string("A\0B", 3)}}};
    return BuildPackage(
        folder, file_name,
        {PropertyTable("Acme", "Widget", "1.2.3", "{11111111-2222-3333-4444-555555555555}"),
         items});
}

InstallerTest::InstallerTest() {
    // With an application object, a report with the message-box flag goes to
    // the box handler, where the test can read its text.
    had_application_object_ = fw::HasApplicationObject();
    fw::SetApplicationObjectPresent(true);
    previous_handler_ =
        fw::SetMessageBoxHandler([this](const std::string& text, unsigned, const std::string&) {
            boxes_.push_back(text);
            return IDOK;
        });
}

InstallerTest::~InstallerTest() {
    fw::SetMessageBoxHandler(previous_handler_);
    fw::SetApplicationObjectPresent(had_application_object_);
}

std::string ErrorLine(int line) {
    return "Error in line MsiDbClasses.cpp (" + std::to_string(line) + ")";
}

void InstallerTest::SetUp() {
    ASSERT_EQ(msi::OpenHandleCount(), 0u) << "an earlier test left installer handles open";
}

void InstallerTest::TearDown() {
    EXPECT_EQ(msi::OpenHandleCount(), 0u) << "installer handles left open";
    EXPECT_EQ(temp_.Entries(), std::vector<std::string>{}) << "files left in the temporary folder";
    // Whatever leaked must not fail the next test as well.
    MsiCloseAllHandles();
}

}  // namespace installer_test
