// Makes a hostile transform for the memory benchmark: a copy of a transform
// in which one table stream holds its records repeated COUNT times (a
// transform that repeats one row eight million times is 48 MB). Only the
// benchmark needs such a file, so the program lives here and uses the
// engine's own container code.
//
//   repeat_records IN.mst TABLE COUNT OUT.mst
//
// Exit status 0 on success, 1 on failure, 2 for a usage error.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "format/stream_name.h"
#include "storage/compound_file.h"
#include "storage/compound_writer.h"
#include "storage/stream_reader.h"

namespace {

using msi::storage::CompoundFile;
using msi::storage::CompoundWriter;

int Fail(const std::string& what) {
    std::fprintf(stderr, "repeat_records: %s\n", what.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: repeat_records IN.mst TABLE COUNT OUT.mst\n");
        return 2;
    }
    const long count = std::strtol(argv[3], nullptr, 10);
    if (count < 1) return Fail("COUNT must be a positive number");
    auto file = CompoundFile::Open(argv[1]);
    if (!file.ok()) return Fail(file.status().message());
    auto table = msi::format::EncodeStreamName(argv[2], true);
    if (!table.ok()) return Fail(table.status().message());

    CompoundWriter writer;
    writer.SetRootInfo({.clsid = (*file)->root_clsid()});
    bool found = false;
    for (auto id : (*file)->Children(CompoundFile::kRootId)) {
        const auto& entry = (*file)->entry(id);
        if (entry.is_storage()) {
            auto copied = writer.CopyStorage(CompoundWriter::kRoot, **file, id);
            if (!copied.ok()) return Fail(copied.status().message());
            continue;
        }
        auto reader = (*file)->OpenStream(id);
        if (!reader.ok()) return Fail(reader.status().message());
        auto bytes = reader->ReadAll();
        if (!bytes.ok()) return Fail(bytes.status().message());
        if (entry.name == *table) {
            found = true;
            std::vector<uint8_t> repeated;
            repeated.reserve(bytes->size() * static_cast<size_t>(count));
            for (long i = 0; i < count; ++i)
                repeated.insert(repeated.end(), bytes->begin(), bytes->end());
            *bytes = std::move(repeated);
        }
        auto added = writer.AddStream(CompoundWriter::kRoot, entry.name, std::move(bytes).value());
        if (!added.ok()) return Fail(added.message());
    }
    if (!found) return Fail(std::string("no table stream ") + argv[2]);
    auto written = writer.WriteFile(argv[4]);
    if (!written.ok()) return Fail(written.message());
    return 0;
}
