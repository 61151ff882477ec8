#include "transform/patch_writer.h"

#include <memory>

#include "format/unicode.h"
#include "storage/compound_file.h"
#include "storage/compound_writer.h"

namespace msi::transform {

Status WritePatch(const std::string& path, const std::string& database_file,
                  const std::vector<std::pair<std::string, std::string>>& transforms) {
    // Stream bytes are read while writing: every input stays open until then.
    std::vector<std::unique_ptr<storage::CompoundFile>> inputs;
    auto open = [&inputs](const std::string& file) -> Status {
        auto opened = storage::CompoundFile::Open(file);
        if (!opened.ok()) return opened.status();
        inputs.push_back(std::move(opened).value());
        return Status::Ok();
    };
    storage::CompoundWriter writer;
    writer.SetRootInfo({.clsid = storage::kPatchClsid});
    if (Status s = open(database_file); !s.ok()) return s;
    if (Status s = writer.CopyChildren(storage::CompoundWriter::kRoot, *inputs.back(),
                                       storage::CompoundFile::kRootId);
        !s.ok())
        return s;
    for (const auto& [name, file] : transforms) {
        auto name16 = format::Utf8ToUtf16(name);
        if (!name16.ok()) return Status::InvalidArgument("bad storage name " + name);
        if (Status s = open(file); !s.ok()) return s;
        auto node = writer.AddStorage(storage::CompoundWriter::kRoot, *name16,
                                      {.clsid = inputs.back()->root_clsid()});
        if (!node.ok()) return node.status();
        if (Status s = writer.CopyChildren(*node, *inputs.back(), storage::CompoundFile::kRootId);
            !s.ok())
            return s;
    }
    return writer.WriteFile(path);
}

}  // namespace msi::transform
