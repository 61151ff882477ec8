#include "transform/patch_contents.h"

#include <sys/stat.h>

#include <algorithm>
#include <variant>

#include "db/summary_info.h"
#include "format/property_set.h"
#include "format/stream_name.h"
#include "format/unicode.h"
#include "storage/compound_file.h"
#include "storage/stream_reader.h"

namespace msi::transform {

namespace {

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string Text(const format::SummaryPropertySet& set, uint32_t pid) {
    auto it = set.properties.find(pid);
    if (it == set.properties.end()) return {};
    const auto* text = std::get_if<std::string>(&it->second);
    return text ? *text : std::string();
}

Result<format::SummaryPropertySet> ReadRootSummary(const storage::CompoundFile& file) {
    auto name = format::Utf8ToUtf16(db::SummaryInfo::kStreamName);
    auto id = name.ok() ? file.Find(storage::CompoundFile::kRootId, *name) : std::nullopt;
    if (!id || !file.entry(*id).is_stream())
        return Status::Corrupt("the patch has no summary information");
    auto reader = file.OpenStream(*id);
    if (!reader.ok()) return Status::Corrupt("summary information: " + reader.status().message());
    auto bytes = reader->ReadAll();
    if (!bytes.ok()) return Status::Corrupt("summary information: " + bytes.status().message());
    auto set = format::SummaryPropertySet::Decode(*bytes);
    if (!set.ok()) return Status::Corrupt("summary information: " + set.status().message());
    return set;
}

bool HoldsTransform(const storage::CompoundFile& file, const std::string& storage) {
    auto name = format::Utf8ToUtf16(storage);
    if (!name.ok()) return false;
    auto id = file.Find(storage::CompoundFile::kRootId, *name);
    return id && file.entry(*id).is_storage() && file.entry(*id).clsid == storage::kTransformClsid;
}

}  // namespace

bool IsPatch(const std::string& path) {
    auto file = storage::CompoundFile::Open(path);
    return file.ok() && (*file)->root_clsid() == storage::kPatchClsid;
}

Result<PatchContents> ReadPatchContents(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return Status::NotFound("no file " + path);
    auto file = storage::CompoundFile::Open(path);
    if (!file.ok()) {
        if (file.status().kind() == Status::Kind::kCorrupt)
            return Status::Unsupported(path + " is not a patch: " + file.status().message());
        return file.status();
    }
    if ((*file)->root_clsid() != storage::kPatchClsid)
        return Status::Unsupported(path + " is not a patch");
    auto summary = ReadRootSummary(**file);
    if (!summary.ok()) return summary.status();

    PatchContents contents;
    contents.target_product_codes = SplitList(Text(*summary, format::kPidTemplate));
    contents.patch_code = Text(*summary, format::kPidRevisionNumber);
    std::vector<std::string> listed;
    for (std::string entry : SplitList(Text(*summary, format::kPidLastSavedBy))) {
        if (!entry.empty() && entry[0] == ':') entry.erase(0, 1);
        if (!entry.empty()) listed.push_back(entry);
    }
    auto is_listed = [&](const std::string& name) {
        return std::find(listed.begin(), listed.end(), name) != listed.end();
    };
    for (const std::string& name : listed) {
        if (!HoldsTransform(**file, name))
            return Status::Corrupt("the patch lists transform " + name +
                                   " but holds none by that name");
        if (name[0] == '#') {
            if (!is_listed(name.substr(1)))
                return Status::Corrupt("transform " + name + " has no " + name.substr(1) +
                                       " before it");
            continue;
        }
        if (!is_listed("#" + name))
            return Status::Corrupt("transform " + name + " has no companion #" + name);
        contents.pairs.push_back(name);
    }
    return contents;
}

}  // namespace msi::transform
