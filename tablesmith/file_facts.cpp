#include "file_facts.h"

#include <sys/stat.h>

#include <filesystem>

#include "export_folder.h"
#include "messages.h"
#include "msi_database.h"
#include "msi_engine.h"
#include "msi_patch.h"
#include "msi_scoped_handle.h"
#include "msiquery.h"
#include "package_tables.h"
#include "table_reader.h"
#include "transform_units.h"

namespace tablesmith {

namespace {

std::string ChangeWords(const msi::TransformTableChange& change) {
    if (change.added) return "added";
    if (change.dropped) return "dropped";
    if (change.columns_added && change.rows_changed) return "columns added, rows changed";
    if (change.columns_added) return "columns added";
    return "rows changed";
}

int ColumnIndex(const std::vector<TableColumn>& columns, const std::string& name) {
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name == name) return static_cast<int>(i);
    return -1;
}

void ReadKeyProperties(MSIHANDLE database, PackageFacts& facts) {
    std::vector<TableColumn> columns;
    std::vector<std::pair<std::string, std::string>> all;
    std::string failure;
    ReadTableRows(
        database, "Property", false, columns,
        [&](const std::vector<TableCell>& cells) {
            if (cells.size() >= 2) all.emplace_back(cells[0].text, cells[1].text);
        },
        failure);
    for (const std::string& name : KeyPropertyNames()) {
        for (const auto& [property, value] : all) {
            if (property == name) {
                facts.properties.emplace_back(name, value);
                break;
            }
        }
    }
}

std::uint64_t StreamSize(MSIHANDLE database, const std::string& stream, bool& found) {
    std::vector<TableColumn> columns;
    std::string failure;
    std::uint64_t size = 0;
    found = false;
    ReadTableRows(
        database, "_Streams", false, columns,
        [&](const std::vector<TableCell>& cells) {
            if (cells.size() >= 2 && cells[0].text == stream) {
                found = true;
                size = cells[1].size;
            }
        },
        failure);
    return size;
}

void ReadCabinets(MSIHANDLE database, const std::string& path, PackageFacts& facts) {
    std::vector<TableColumn> columns;
    std::vector<std::string> cabinets;
    std::string failure;
    int cabinet_column = -1;
    ReadTableRows(
        database, "Media", false, columns,
        [&](const std::vector<TableCell>& cells) {
            if (cabinet_column < 0) cabinet_column = ColumnIndex(columns, "Cabinet");
            if (cabinet_column < 0) return;
            const TableCell& cell = cells[static_cast<std::size_t>(cabinet_column)];
            if (!cell.null && !cell.text.empty()) cabinets.push_back(cell.text);
        },
        failure);
    const std::string folder = std::filesystem::path(path).parent_path().string();
    for (const std::string& value : cabinets) {
        CabinetFact cabinet;
        if (value.size() > 1 && value[0] == '#') {
            cabinet.embedded = true;
            cabinet.name = value.substr(1);
            bool found = false;
            cabinet.size = StreamSize(database, cabinet.name, found);
            cabinet.missing = !found;
        } else {
            cabinet.name = value;
            struct stat st {};
            const std::string file = folder.empty() ? value : FileInFolder(folder, value);
            cabinet.missing = stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode);
            if (!cabinet.missing) cabinet.size = static_cast<std::uint64_t>(st.st_size);
        }
        facts.cabinets.push_back(std::move(cabinet));
    }
}

bool ReadPackageFacts(const std::string& path, PackageFacts& facts, bool& opened,
                      diag::OutcomeSink& sink) {
    CMsiDatabase database;
    if (!database.Open(path, 0)) {
        sink.Stop(FillMessage(kCantReadFile, {path}), database.GetFailureText());
        return false;
    }
    opened = true;
    const MSIHANDLE handle = database.GetHandle();
    std::string failure;
    if (!installer::ReadSummaryInformation(handle, path, facts.summary, &failure))
        sink.Warn(FillMessage(kCantReadSummary, {path}), failure);
    UINT code_page = 0;
    msi::DatabaseCodePage(handle, &code_page);
    facts.code_page = code_page;
    ReadKeyProperties(handle, facts);

    std::vector<std::string> tables;
    if (!ReadTableNames(handle, tables, failure)) {
        sink.Stop(FillMessage(kCantReadTable, {"_Tables"}), failure);
        return false;
    }
    facts.tables = tables.size();
    bool whole = true;
    for (const std::string& table : tables) {
        std::vector<TableColumn> columns;
        if (!ReadTableRows(
                handle, table, false, columns, [&](const std::vector<TableCell>&) { ++facts.rows; },
                failure)) {
            sink.Warn(FillMessage(kCantReadTable, {table}), failure);
            whole = false;
        }
    }
    ReadCabinets(handle, path, facts);
    return whole;
}

bool ReadTransformFacts(const std::string& path, TransformFacts& facts,
                        std::vector<TransformTableFact> tables, bool& opened,
                        diag::OutcomeSink& sink) {
    facts.tables = std::move(tables);
    std::string failure;
    if (!installer::ReadSummaryInformation(0, path, facts.summary, &failure)) {
        sink.Stop(FillMessage(kCantReadSummary, {path}), failure);
        return false;
    }
    opened = true;
    // The engine reads the products, versions and conditions out of the
    // summary, as it does to check that a transform fits a package.
    msi::TransformTerms terms;
    if (msi::ReadTransformTerms(path.c_str(), nullptr, &terms) != ERROR_SUCCESS) {
        sink.Warn(FillMessage(kCantReadSummary, {path}), msi::LastFailureText());
        return false;
    }
    facts.target_product_code = terms.base_product_code;
    facts.target_version = terms.base_version;
    facts.upgraded_product_code = terms.new_product_code;
    facts.upgraded_version = terms.new_version;
    facts.upgrade_code = terms.upgrade_code;
    facts.validation = static_cast<unsigned>(terms.validation);
    facts.error_conditions = static_cast<unsigned>(terms.error_conditions);
    return true;
}

bool ReadPatchFacts(const std::string& path, PatchFacts& facts, diag::OutcomeSink& sink) {
    installer::TransformFile file;
    std::string failure;
    if (!installer::ReadTransformFile(path, file, failure)) {
        sink.Warn(FillMessage(kCantReadFile, {path}), failure);
        return false;
    }
    facts.patch_code = file.patch.patch_code;
    facts.targets = file.patch.target_product_codes;
    for (const installer::TransformUnit& unit : file.units)
        facts.pairs.push_back({unit.name, unit.terms.base_product_code, unit.terms.base_version,
                               unit.terms.new_version});
    return true;
}

}  // namespace

const std::vector<std::string>& KeyPropertyNames() {
    static const std::vector<std::string> names = {"ProductName",    "ProductCode",
                                                   "ProductVersion", "UpgradeCode",
                                                   "Manufacturer",   "ProductLanguage"};
    return names;
}

bool ReadTransformTableFacts(const std::string& path, std::vector<TransformTableFact>& tables,
                             bool& is_transform, diag::OutcomeSink& sink) {
    tables.clear();
    std::vector<msi::TransformTableChange> changes;
    const UINT result = msi::ReadTransformTables(path.c_str(), changes);
    is_transform = result != ERROR_INSTALL_PACKAGE_INVALID && result != ERROR_OPEN_FAILED;
    if (result != ERROR_SUCCESS) {
        if (is_transform)
            sink.Stop(FillMessage(kCantReadTransform, {path}), msi::LastFailureText());
        return false;
    }
    std::vector<std::string> names;
    for (const auto& change : changes) names.push_back(change.table);
    SortTableNames(names);
    for (const std::string& name : names) {
        for (const auto& change : changes)
            if (change.table == name) tables.push_back({name, ChangeWords(change)});
    }
    return true;
}

bool ReadFileFacts(const std::string& path, FileFacts& facts, diag::OutcomeSink& sink) {
    facts = FileFacts{};
    std::vector<TransformTableFact> tables;
    bool is_transform = false;
    const bool read = ReadTransformTableFacts(path, tables, is_transform, sink);
    if (is_transform) {
        facts.kind = FileFacts::Kind::kTransform;
        return read &&
               ReadTransformFacts(path, facts.transform, std::move(tables), facts.opened, sink);
    }
    if (msi::IsPatchFile(path.c_str())) {
        facts.kind = FileFacts::Kind::kPatch;
        const bool whole = ReadPackageFacts(path, facts.package, facts.opened, sink);
        return facts.opened && ReadPatchFacts(path, facts.patch, sink) && whole;
    }
    facts.kind = FileFacts::Kind::kPackage;
    return ReadPackageFacts(path, facts.package, facts.opened, sink);
}

}  // namespace tablesmith
