// make_sample_package: builds the demo package from the sources in samples/.
//
//   make_sample_package OUT.msi IDT_FOLDER CABINET STREAM_NAME
//
// Creates OUT.msi with our own engine, imports every "*.idt" of IDT_FOLDER
// (_ForceCodepage first, so the text of the other tables is read in its code
// page), adds CABINET to _Streams as STREAM_NAME (the Media table names it
// "#STREAM_NAME"), writes the summary information and commits. Any failure
// ends the program with status 1 and a line on standard error, so the build
// stops rather than leaving a half-made package behind.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "msi.h"
#include "msiquery.h"

namespace {

namespace fs = std::filesystem;

// Closes a handle when it goes out of scope.
class Handle {
  public:
    Handle() = default;
    ~Handle() { MsiCloseHandle(handle_); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    MSIHANDLE* Slot() { return &handle_; }
    MSIHANDLE Get() const { return handle_; }

  private:
    MSIHANDLE handle_ = 0;
};

bool Check(UINT result, const std::string& what) {
    if (result == ERROR_SUCCESS) return true;
    std::fprintf(stderr, "make_sample_package: %s failed (%u)\n", what.c_str(), result);
    return false;
}

// The IDT files of the folder, _ForceCodepage first, the others by name.
std::vector<std::string> IdtFiles(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().extension() == ".idt")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const bool a_first = a == "_ForceCodepage.idt";
        const bool b_first = b == "_ForceCodepage.idt";
        return a_first != b_first ? a_first : a < b;
    });
    return names;
}

bool AddStream(MSIHANDLE database, const std::string& name, const std::string& file) {
    Handle view;
    if (!Check(MsiDatabaseOpenViewA(
                   database, "INSERT INTO `_Streams` (`Name`, `Data`) VALUES (?, ?)", view.Slot()),
               "opening the stream insert"))
        return false;
    Handle record;
    *record.Slot() = MsiCreateRecord(2);
    return Check(MsiRecordSetStringA(record.Get(), 1, name.c_str()), "naming the stream") &&
           Check(MsiRecordSetStreamA(record.Get(), 2, file.c_str()), "reading " + file) &&
           Check(MsiViewExecute(view.Get(), record.Get()), "inserting stream " + name) &&
           Check(MsiViewClose(view.Get()), "closing the stream insert");
}

bool WriteSummary(MSIHANDLE database) {
    Handle summary;
    if (!Check(MsiGetSummaryInformationA(database, nullptr, 12, summary.Slot()),
               "opening the summary information"))
        return false;
    struct Text {
        UINT id;
        const char* value;
    };
    const Text texts[] = {
        {PID_TITLE, "Installation Database"},
        {PID_SUBJECT, "Tablesmith Demo"},
        {PID_AUTHOR, "Tablesmith Sample Works"},
        {PID_KEYWORDS, "Installer, Tablesmith, Demo"},
        {PID_COMMENTS, "The demo package of Tablesmith, with one embedded cabinet."},
        {PID_TEMPLATE, "Intel;1033"},
        {PID_REVNUMBER, "{0F1E2D3C-4B5A-4697-8877-665544332211}"},
        {PID_APPNAME, "Tablesmith make_sample_package"},
    };
    bool ok = Check(
        MsiSummaryInfoSetPropertyA(summary.Get(), PID_CODEPAGE, VT_I2, 1252, nullptr, nullptr),
        "setting the summary code page");
    for (const Text& text : texts)
        ok = ok && Check(MsiSummaryInfoSetPropertyA(summary.Get(), text.id, VT_LPSTR, 0, nullptr,
                                                    text.value),
                         "setting summary property " + std::to_string(text.id));
    // Installer 2.0, compressed files (word count 2), no restrictions.
    ok = ok && Check(MsiSummaryInfoSetPropertyA(summary.Get(), PID_PAGECOUNT, VT_I4, 200, nullptr,
                                                nullptr),
                     "setting the page count");
    ok = ok &&
         Check(MsiSummaryInfoSetPropertyA(summary.Get(), PID_WORDCOUNT, VT_I4, 2, nullptr, nullptr),
               "setting the word count");
    return ok && Check(MsiSummaryInfoPersist(summary.Get()), "persisting the summary information");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: make_sample_package OUT.msi IDT_FOLDER CABINET STREAM_NAME\n");
        return 2;
    }
    const std::string out = argv[1];
    const std::string idt_folder = argv[2];
    const std::string cabinet = argv[3];
    const std::string stream_name = argv[4];

    std::error_code ignored;
    fs::remove(out, ignored);  // a new package every time, never an update of an old one
    bool ok = true;
    {
        Handle database;
        if (!Check(MsiOpenDatabaseA(out.c_str(), MSIDBOPEN_CREATE, database.Slot()),
                   "creating " + out))
            return 1;
        for (const std::string& idt : IdtFiles(idt_folder))
            ok = ok && Check(MsiDatabaseImportA(database.Get(), idt_folder.c_str(), idt.c_str()),
                             "importing " + idt);
        ok = ok && AddStream(database.Get(), stream_name, cabinet);
        ok = ok && WriteSummary(database.Get());
        ok = ok && Check(MsiDatabaseCommit(database.Get()), "committing " + out);
    }
    if (!ok) {
        fs::remove(out, ignored);
        return 1;
    }
    std::printf("make_sample_package: wrote %s\n", out.c_str());
    return 0;
}
