#include "api/last_error_record.h"

#include <memory>
#include <optional>

#include "api/handle_table.h"
#include "db/record.h"

namespace msi::api {
namespace {

struct PendingError {
    int error = 0;
    std::vector<std::string> details;
};

thread_local std::optional<PendingError> pending;

}  // namespace

void SetLastErrorRecord(int error, const std::vector<std::string>& details) {
    pending = PendingError{error, details};
}

void ClearLastErrorRecord() {
    pending.reset();
}

MSIHANDLE TakeLastErrorRecord() {
    if (!pending) return 0;
    auto record = std::make_shared<db::Record>(static_cast<uint32_t>(pending->details.size() + 1));
    record->SetInteger(1, pending->error);
    for (size_t i = 0; i < pending->details.size(); ++i)
        record->SetString(static_cast<uint32_t>(i + 2), pending->details[i]);
    pending.reset();
    return NewHandle(HandleKind::kRecord, std::move(record));
}

}  // namespace msi::api
