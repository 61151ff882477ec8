// Summary information: the input is the "\005SummaryInformation" stream of
// a new database. Every property is read and converted from the summary's
// own code page, a title is set in that code page, and the set is persisted
// and read back.
#include <cstring>

#include "db/database.h"
#include "db/stream_source.h"
#include "db/summary_info.h"
#include "format/code_page.h"
#include "fuzz_support.h"

namespace {

using msi::db::SummaryInfo;

void ReadAll(const SummaryInfo& info) {
    for (uint32_t pid = 0; pid < SummaryInfo::kPropertyLimit + 2; ++pid) {
        const auto* value = info.Get(pid);
        if (value == nullptr) continue;
        if (const auto* text = std::get_if<std::string>(value))
            (void)msi::format::DatabaseToProcess(*text, info.CodePage());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = msi::fuzz::ScratchFolder() + "/summary.msi";
    msi::db::OpenRequest request;
    request.path = path;
    request.mode = msi::db::OpenMode::kCreate;
    auto database = msi::db::Database::Open(request);
    if (!database.ok()) return 0;
    std::vector<std::byte> bytes(size);
    if (size != 0) std::memcpy(bytes.data(), data, size);
    (*database)->streams().Put(SummaryInfo::kStreamName,
                               std::make_shared<msi::db::MemoryStreamSource>(std::move(bytes)));
    auto info = SummaryInfo::Load(*database, 2, false);
    if (!info.ok()) return 0;
    ReadAll(**info);
    auto title = msi::format::ProcessToDatabase("Title \xC3\xA9t\xC3\xA9", (*info)->CodePage());
    if (title.ok()) (*info)->Set(msi::format::kPidTitle, *title);
    (*info)->Set(msi::format::kPidPageCount, int32_t{500});
    if (!(*info)->Persist().ok()) return 0;
    auto again = SummaryInfo::Load(*database, 0, false);
    // What was persisted must read back.
    if (!again.ok()) __builtin_trap();
    ReadAll(**again);
    return 0;
}
