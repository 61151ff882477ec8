#include "media_cabinets.h"

#include "msi_record.h"
#include "msi_view.h"

namespace tablesmith {

bool NamesInternalCabinet(const std::string& cabinet_value) {
    return cabinet_value.size() > 1 && cabinet_value[0] == '#';
}

std::set<std::string> InternalCabinetStreams(CMsiDatabase& database) {
    std::set<std::string> streams;
    CMsiView view;
    if (!view.Open(&database, "SELECT `Cabinet` FROM `Media`")) return streams;
    view.Execute(0);
    CMsiRecord row;
    while (view.Fetch(row)) {
        std::string cabinet;
        row.GetString(0, cabinet);
        if (NamesInternalCabinet(cabinet)) streams.insert(cabinet.substr(1));
    }
    view.Close();
    return streams;
}

}  // namespace tablesmith
