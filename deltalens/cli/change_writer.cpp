#include "change_writer.h"

#include "entry.h"
#include "entry_list.h"

namespace deltalens {

void WriteChanges(const CEntryList& list, ::cli::OutputFormat format, std::ostream& out) {
    const int columns = list.GetColumnCount();
    std::vector<std::string> names;
    for (int column = 0; column < columns; ++column) names.push_back(list.GetColumnName(column));
    ::cli::RowWriter writer(format, std::move(names), out);

    std::vector<std::string> row(static_cast<std::size_t>(columns));
    for (POSITION position = list.GetHeadPosition(); position != nullptr;) {
        const auto* entry = dynamic_cast<const CEntry*>(list.GetNext(position));
        // Only valid entries are changes; a list control would not show the others either.
        if (entry == nullptr || !entry->IsValid()) continue;
        for (int column = 0; column < columns; ++column)
            row[static_cast<std::size_t>(column)] = entry->GetFieldText(column);
        writer.Add(row);
    }
    writer.Finish();
}

}  // namespace deltalens
