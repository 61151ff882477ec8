// Shared by the Tablesmith tests: a sink that records messages, packages made
// at test time with msitools' msibuild (an independent producer) holding
// tables and streams, and a fixture with a private temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "outcome.h"
#include "test_support.h"

namespace tablesmith_test {

inline constexpr diag::OutcomeKind kInformation = diag::OutcomeKind::kInformation;
inline constexpr diag::OutcomeKind kStop = diag::OutcomeKind::kStop;

// One message as a command told it (its cause is not kept).
struct Message {
    std::string text;
    diag::OutcomeKind kind;
    bool operator==(const Message&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Message& message);

class RecordingSink : public diag::OutcomeSink {
  public:
    void Tell(const diag::Outcome& outcome) override {
        messages.push_back({outcome.text, outcome.kind});
    }
    std::vector<Message> messages;
};

// One table in IDT form: its name and the text of "<name>.idt".
struct IdtTable {
    std::string name;
    std::string text;
};

// What a test package holds: tables, and streams of _Streams (name -> bytes).
struct PackageContents {
    std::vector<IdtTable> tables;
    std::vector<std::pair<std::string, std::string>> streams;
    // Summary: template (7) and revision number (9).
    std::string template_text = "Intel;1033";
    std::string revision = "{12345678-1234-1234-1234-123456789012}";
};

// Builds `folder`/`file_name` with msibuild; "" (and a test failure) when
// msibuild is missing or fails.
std::string BuildPackage(const std::filesystem::path& folder, const std::string& file_name,
                         const PackageContents& contents);

// Bytes that pass Generate's whole-cabinet check: a cabinet header whose
// size field counts the header and `payload`, then the payload. Not a
// cabinet anything could extract from.
std::string FakeCabinet(const std::string& payload);

// Property (ProductCode, ProductName ...), Media with row 1 "#Data1.cab" and
// row 2 "#other.CAB", Feature; streams Data1.cab and other.CAB (both small
// fake cabinets), and Binary-less stream "notes.txt".
PackageContents SamplePackage();

IdtTable PropertyTable();
IdtTable MediaTable(const std::vector<std::string>& cabinets);
IdtTable FeatureTable();

// Names of the entries directly inside `folder`, sorted in byte order; empty
// when the folder is missing.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

// The rows of a table as msiinfo exports them (sorted, header included),
// followed by one line per file it wrote for binary cells (path, size, hash
// of the bytes); "" when msiinfo fails.
std::string MsiinfoExport(const std::string& package, const std::string& table);

// Every command test: TMPDIR points at a private folder (the export folder
// lives under it), and no installer handle outlives a test.
class CommandTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path ExportFolder(const std::string& title) const {
        return temp_.path() / title;
    }

    RecordingSink sink_;
    testing_support::TraceCapture trace_;
    testing_support::TempDir inputs_{false};
    testing_support::TempDir temp_{true};
};

}  // namespace tablesmith_test
