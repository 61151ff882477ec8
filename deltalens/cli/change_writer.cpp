#include "change_writer.h"

#include "entry.h"
#include "entry_list.h"

namespace deltalens {

namespace {

std::vector<std::string> ColumnNames(const CEntryList& list) {
    std::vector<std::string> names;
    for (int column = 0; column < list.GetColumnCount(); ++column)
        names.push_back(list.GetColumnName(column));
    return names;
}

}  // namespace

ChangeWriter::ChangeWriter(const CEntryList& names, ::cli::OutputFormat format, std::ostream& out)
    : writer_(format, ColumnNames(names), out), row_(static_cast<size_t>(names.GetColumnCount())) {}

void ChangeWriter::Add(const CEntry& entry) {
    if (!entry.IsValid()) return;
    for (size_t column = 0; column < row_.size(); ++column)
        row_[column] = entry.GetFieldText(static_cast<int>(column));
    writer_.Add(row_);
    ++count_;
}

void WriteChanges(const CEntryList& list, ::cli::OutputFormat format, std::ostream& out) {
    ChangeWriter writer(list, format, out);
    for (POSITION position = list.GetHeadPosition(); position != nullptr;) {
        const auto* entry = dynamic_cast<const CEntry*>(list.GetNext(position));
        if (entry != nullptr) writer.Add(*entry);
    }
    writer.Finish();
}

}  // namespace deltalens
