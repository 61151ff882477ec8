#include "change_rows.h"

#include <memory>
#include <unordered_set>
#include <vector>

#include "entry_list.h"
#include "string_array_entry.h"

namespace deltalens::gui {

void EmptyChangeList(CEntryList& changes, const std::function<void()>& let_go) {
    std::vector<std::unique_ptr<CObject>> taken;
    if (changes.m_bOwnsObjects) {
        std::unordered_set<CObject*> seen;
        for (POSITION position = changes.GetHeadPosition(); position != nullptr;) {
            CObject* object = changes.GetNext(position);
            if (object != nullptr && seen.insert(object).second) taken.emplace_back(object);
        }
    }
    // The framework list's own RemoveAll forgets the nodes and deletes nothing.
    changes.CObList::RemoveAll();
    if (let_go) let_go();
}

void AppendChange(CEntryList& changes, const ChangeRow& change) {
    auto entry = std::make_unique<CStringArrayEntry>();
    for (std::size_t field = 0; field < change.size(); ++field)
        entry->SetFieldText(static_cast<int>(field), change[field].c_str());
    if (changes.AddEntry(entry.get())) entry.release();
}

std::vector<std::string> RowKeyCells(const std::string& row) {
    std::vector<std::string> cells;
    if (row.empty()) return cells;  // a change of the table itself
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = row.find('\t', start);
        std::string cell = row.substr(start, tab == std::string::npos ? tab : tab - start);
        cells.push_back(cell == " " ? std::string() : std::move(cell));
        if (tab == std::string::npos) return cells;
        start = tab + 1;
    }
}

}  // namespace deltalens::gui
