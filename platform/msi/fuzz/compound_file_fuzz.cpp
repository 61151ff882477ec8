// Opening a compound file and reading every stream of every storage.
#include <vector>

#include "fuzz_support.h"
#include "storage/compound_file.h"
#include "storage/stream_reader.h"

namespace {

using msi::storage::CompoundFile;

void ReadStorage(const CompoundFile& file, msi::storage::EntryId storage, int depth) {
    // The tree was checked for cycles at open; the depth bound only keeps a
    // deep but valid tree from using the stack up.
    if (depth > 64) return;
    for (msi::storage::EntryId child : file.Children(storage)) {
        if (file.entry(child).is_stream()) {
            auto reader = file.OpenStream(child);
            if (reader.ok()) (void)reader->ReadAll();
        } else if (file.entry(child).is_storage()) {
            ReadStorage(file, child, depth + 1);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto file = CompoundFile::Open(msi::fuzz::MemoryFilePath({data, size}));
    if (file.ok()) ReadStorage(**file, CompoundFile::kRootId, 0);
    return 0;
}
