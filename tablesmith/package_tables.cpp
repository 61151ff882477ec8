#include "package_tables.h"

#include <algorithm>

#include "compare_text.h"
#include "msi_database.h"
#include "msi_table_view.h"

namespace tablesmith {

void SortTableNames(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int nocase = VSB_CompareText(a, b, VSB_CMP_NOCASE);
        return nocase != 0 ? nocase < 0 : a < b;
    });
}

std::vector<std::string> ListPackageTables(const std::string& msi_file, bool* opened,
                                           std::string* failure) {
    std::vector<std::string> names;
    CMsiDatabase database;
    const bool is_open = database.Open(msi_file, 0);
    if (opened != nullptr) *opened = is_open;
    if (failure != nullptr) *failure = database.GetFailureText();
    if (is_open) {
        // The table view lives inside this block so that it lets go of its
        // view before the database shuts down.
        MsiTableView tables;
        if (tables.Open(&database, "_Tables")) {
            for (POSITION pos = tables.GetHeadPosition(); pos != nullptr;) {
                const auto* entry = static_cast<const CEntry*>(tables.GetNext(pos));
                names.push_back(entry->GetFieldText(0));
            }
        }
    }
    database.Shutdown();
    SortTableNames(names);
    return names;
}

}  // namespace tablesmith
