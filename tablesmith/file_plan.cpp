#include "file_plan.h"

#include <fnmatch.h>

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>

#include "install_names.h"
#include "msi_record.h"
#include "msi_scoped_handle.h"
#include "msi_view.h"
#include "msiquery.h"

namespace tablesmith {

namespace {

// Word count bits of the summary: source names are short; files are
// compressed unless their own attributes say otherwise.
constexpr std::int32_t kShortSourceNames = 0x1;
constexpr std::int32_t kCompressedByDefault = 0x2;
// File.Attributes bits that overrule the word count.
constexpr std::int32_t kFileNoncompressed = 0x2000;
constexpr std::int32_t kFileCompressed = 0x4000;

// Chains of parents longer than this are taken for a loop.
constexpr int kMaxDepth = 256;

// The folders Windows Installer sets itself; a package names them by key and
// gives them a placeholder DefaultDir.
constexpr std::array<const char*, 30> kStandardFolders = {
    "AdminToolsFolder",       "AppDataFolder",
    "CommonAppDataFolder",    "CommonFiles64Folder",
    "CommonFilesFolder",      "DesktopFolder",
    "FavoritesFolder",        "FontsFolder",
    "LocalAppDataFolder",     "MyPicturesFolder",
    "NetHoodFolder",          "PersonalFolder",
    "PrintHoodFolder",        "ProgramFiles64Folder",
    "ProgramFilesFolder",     "ProgramMenuFolder",
    "RecentFolder",           "SendToFolder",
    "StartMenuFolder",        "StartupFolder",
    "System16Folder",         "System64Folder",
    "SystemFolder",           "TempFolder",
    "TemplateFolder",         "WindowsFolder",
    "WindowsVolume",          "CommonFiles6432Folder",
    "ProgramFiles6432Folder", "System6432Folder",
};

// A merge module's rows carry its GUID after a dot ("SystemFolder.3643...").
std::optional<std::string> StandardFolderOf(const std::string& key) {
    const std::string base = key.substr(0, key.find('.'));
    for (const char* folder : kStandardFolders)
        if (base == folder) return base;
    return std::nullopt;
}

struct DirectoryRow {
    std::string parent;
    std::string default_dir;
};

using Rows = std::vector<CMsiRecord>;

bool ReadRows(CMsiDatabase& database, const std::string& query,
              const std::function<void(CMsiRecord&)>& take) {
    CMsiView view;
    if (!view.Open(&database, query) || !view.Execute(0)) return false;
    CMsiRecord row;
    while (view.Fetch(row)) take(row);
    view.Close();
    return true;
}

std::string Text(CMsiRecord& row, std::uint32_t field) {
    std::string value;
    row.GetString(field, value);
    return value;
}

std::int32_t Number(CMsiRecord& row, std::uint32_t field) {
    std::int32_t value = 0;
    return row.GetInteger(field, value) ? value : 0;
}

// Resolves directory keys to paths, once each.
class DirectoryPaths {
  public:
    DirectoryPaths(std::map<std::string, DirectoryRow> rows, bool short_source)
        : rows_(std::move(rows)), short_source_(short_source) {}

    // The output path ("" for the root), or nullopt with `problem` set.
    std::optional<std::string> Target(const std::string& key, std::string& problem) {
        return Resolve(key, true, 0, problem);
    }
    std::optional<std::string> Source(const std::string& key, std::string& problem) {
        return Resolve(key, false, 0, problem);
    }

  private:
    std::optional<std::string> Resolve(const std::string& key, bool target, int depth,
                                       std::string& problem) {
        auto& cache = target ? target_ : source_;
        if (const auto known = cache.find(key); known != cache.end()) return known->second;
        const auto row = rows_.find(key);
        if (row == rows_.end()) {
            // A parent that is no row is a property set at install time.
            if (!target) return std::string();
            return Joined(std::string(), key, "", problem);
        }
        if (depth > kMaxDepth) {
            problem = "directory " + key + " is its own ancestor";
            return std::nullopt;
        }
        const DirectoryRow& dir = row->second;
        const bool root = dir.parent.empty() || dir.parent == key;
        std::optional<std::string> path;
        if (root) {
            path = std::string();
        } else if (const auto standard = StandardFolderOf(key); target && standard) {
            path = Joined(std::string(), *standard, key, problem);
        } else {
            const auto parent = Resolve(dir.parent, target, depth + 1, problem);
            if (!parent) return std::nullopt;
            const std::string part =
                target ? TargetPart(dir.default_dir) : SourcePart(dir.default_dir);
            const std::string name = target || !short_source_ ? LongName(part) : ShortName(part);
            path = name == "." ? parent : Joined(*parent, name, key, problem);
        }
        if (path) cache[key] = *path;
        return path;
    }

    static std::optional<std::string> Joined(const std::string& parent, const std::string& name,
                                             const std::string& key, std::string& problem) {
        const auto safe = SafeName(name);
        if (!safe) {
            problem = "directory " + (key.empty() ? name : key) + " has no usable name";
            return std::nullopt;
        }
        return parent.empty() ? *safe : parent + "/" + *safe;
    }

    std::map<std::string, DirectoryRow> rows_;
    bool short_source_;
    std::map<std::string, std::string> target_;
    std::map<std::string, std::string> source_;
};

std::int32_t WordCount(CMsiDatabase& database) {
    CMsiScopedHandle summary;
    if (MsiGetSummaryInformationA(database.GetHandle(), nullptr, 0, summary.GetHandleSlot()) !=
        ERROR_SUCCESS)
        return kCompressedByDefault;
    UINT type = VT_EMPTY;
    INT number = 0;
    FILETIME time{};
    DWORD size = 0;
    if (MsiSummaryInfoGetPropertyA(summary.Get(), PID_WORDCOUNT, &type, &number, &time, nullptr,
                                   &size) != ERROR_SUCCESS ||
        type != VT_I4)
        return 0;
    return number;
}

std::set<std::string> Tables(CMsiDatabase& database) {
    std::set<std::string> tables;
    ReadRows(database, "SELECT `Name` FROM `_Tables`",
             [&](CMsiRecord& row) { tables.insert(Text(row, 0)); });
    return tables;
}

// Second and later files on one path get "~2", "~3"... after their name.
void SettleClashes(FilePlan& plan) {
    std::set<std::string> taken;
    std::map<std::string, std::string> first_at;
    for (PlannedFile& file : plan.files) {
        if (!file.problem.empty()) continue;
        if (taken.insert(file.path).second) {
            first_at[file.path] = file.key;
            continue;
        }
        const std::string wanted = file.path;
        for (int n = 2;; ++n) {
            const std::string candidate = wanted + "~" + std::to_string(n);
            if (taken.insert(candidate).second) {
                file.path = candidate;
                break;
            }
        }
        plan.clashes.push_back({first_at[wanted], file.key, file.path});
    }
}

}  // namespace

bool ReadFilePlan(CMsiDatabase& database, FilePlan& plan, std::string& problem) {
    plan = FilePlan();
    const std::set<std::string> tables = Tables(database);
    if (tables.count("File") == 0) return true;
    for (const char* needed : {"Component", "Directory"}) {
        if (tables.count(needed) == 0) {
            problem = std::string("the package has a File table but no ") + needed + " table";
            return false;
        }
    }
    const std::int32_t word_count = WordCount(database);

    std::map<std::string, DirectoryRow> directories;
    std::map<std::string, std::string> component_dirs;
    bool ok =
        ReadRows(database, "SELECT `Directory`, `Directory_Parent`, `DefaultDir` FROM `Directory`",
                 [&](CMsiRecord& row) {
                     directories[Text(row, 0)] = {Text(row, 1), Text(row, 2)};
                 }) &&
        ReadRows(database, "SELECT `Component`, `Directory_` FROM `Component`",
                 [&](CMsiRecord& row) { component_dirs[Text(row, 0)] = Text(row, 1); });
    if (tables.count("Media") != 0)
        ok =
            ok && ReadRows(database, "SELECT `DiskId`, `LastSequence`, `Cabinet` FROM `Media`",
                           [&](CMsiRecord& row) {
                               plan.media.push_back({Number(row, 0), Number(row, 1), Text(row, 2)});
                           });
    std::stable_sort(plan.media.begin(), plan.media.end(), [](const auto& a, const auto& b) {
        return std::pair(a.last_sequence, a.disk_id) < std::pair(b.last_sequence, b.disk_id);
    });

    DirectoryPaths paths(std::move(directories), (word_count & kShortSourceNames) != 0);
    ok = ok &&
         ReadRows(database,
                  "SELECT `File`, `Component_`, `FileName`, `FileSize`, `Attributes`, "
                  "`Sequence` FROM `File`",
                  [&](CMsiRecord& row) {
                      PlannedFile file;
                      file.key = Text(row, 0);
                      file.component = Text(row, 1);
                      const std::string file_name = Text(row, 2);
                      file.size = Number(row, 3);
                      const std::int32_t attributes = Number(row, 4);
                      file.sequence = Number(row, 5);
                      file.compressed = (attributes & kFileCompressed) != 0 ||
                                        ((attributes & kFileNoncompressed) == 0 &&
                                         (word_count & kCompressedByDefault) != 0);
                      const auto dir = component_dirs.find(file.component);
                      if (dir == component_dirs.end()) {
                          file.problem =
                              "its component " + file.component + " is not in the Component table";
                      } else {
                          file.directory = dir->second;
                          const auto folder = paths.Target(file.directory, file.problem);
                          const auto name = SafeName(LongName(file_name));
                          if (folder && !name) file.problem = "its file name is refused";
                          if (folder && name)
                              file.path = folder->empty() ? *name : *folder + "/" + *name;
                          std::string source_problem;
                          const auto source = paths.Source(file.directory, source_problem);
                          const auto source_name =
                              SafeName((word_count & kShortSourceNames) ? ShortName(file_name)
                                                                        : LongName(file_name));
                          if (source && source_name)
                              file.source_path =
                                  source->empty() ? *source_name : *source + "/" + *source_name;
                      }
                      plan.files.push_back(std::move(file));
                  });
    if (!ok) {
        problem = "the Directory, Component, File or Media table cannot be read";
        return false;
    }
    std::sort(plan.files.begin(), plan.files.end(), [](const auto& a, const auto& b) {
        return std::pair(a.sequence, a.key) < std::pair(b.sequence, b.key);
    });
    for (PlannedFile& file : plan.files) {
        for (std::size_t i = 0; i < plan.media.size(); ++i) {
            if (plan.media[i].last_sequence >= file.sequence) {
                file.media = static_cast<int>(i);
                break;
            }
        }
    }
    SettleClashes(plan);
    return true;
}

void SelectFiles(FilePlan& plan, const std::vector<std::string>& patterns) {
    if (patterns.empty()) return;
    for (PlannedFile& file : plan.files) {
        file.selected = std::any_of(patterns.begin(), patterns.end(), [&](const std::string& p) {
            return fnmatch(p.c_str(), file.key.c_str(), 0) == 0 ||
                   fnmatch(p.c_str(), file.path.c_str(), 0) == 0;
        });
    }
}

std::string CabinetOf(const FilePlan& plan, const PlannedFile& file) {
    return file.media < 0 ? std::string()
                          : plan.media[static_cast<std::size_t>(file.media)].cabinet;
}

}  // namespace tablesmith
