// The root storage's children other than tables: the streams the _Streams
// table shows (binary cells "Table.key", embedded cabinets, the summary
// information, signatures) and the sub-storages _Storages shows (embedded
// transforms). Streams are held as sources: those still in the file are read
// from it lazily; new ones come from records or from the engine.
//
// Entries whose names cannot be decoded are kept aside and copied verbatim by
// a commit, so that nothing the engine does not understand is lost.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/stream_source.h"
#include "storage/compound_file.h"

namespace msi::db {

class StreamStore {
  public:
    struct Stream {
        StreamSourcePtr source;
        // The entry of the open file the bytes still come from, if unchanged.
        std::optional<storage::EntryId> on_disk;
        // The name as the file spells it; a commit keeps it, since some
        // writers pack names the way others do not (putty's package holds
        // \005SummaryInformation twice, packed and plain).
        std::u16string raw_name;
        uint64_t order = 0;  // listing order: file order, then insertion order
        // Set when the stream is removed, for the records that hold it.
        std::shared_ptr<bool> removed = std::make_shared<bool>(false);
    };
    struct Storage {
        std::string name;  // UTF-8 of the raw (uncompressed) name
        storage::EntryId id;
    };

    // Sorts the root's children of `file` into streams, table streams,
    // storages and opaque entries.
    void Load(const std::shared_ptr<const storage::CompoundFile>& file);

    const std::map<std::string, Stream>& streams() const { return streams_; }
    // Stream names in listing order.
    std::vector<std::string> Names() const;
    StreamSourcePtr Get(const std::string& name) const;
    // The stream as a fetched record holds it: it reads as empty once the
    // stream is removed from the database, as the installer's do.
    StreamSourcePtr GetForRecord(const std::string& name) const;
    bool Has(const std::string& name) const { return streams_.count(name) != 0; }
    // Adds or replaces a stream. A source handed out by GetForRecord is
    // stored as the bytes it reads now.
    void Put(const std::string& name, StreamSourcePtr source);
    bool Remove(const std::string& name);

    // Table streams by decoded table name (_StringPool and _StringData included).
    const std::map<std::string, storage::EntryId>& table_streams() const { return table_streams_; }
    const std::vector<Storage>& storages() const { return storages_; }
    // Root entries kept verbatim: names that do not decode.
    const std::vector<storage::EntryId>& opaque() const { return opaque_; }

    bool modified() const { return modified_; }

  private:
    std::map<std::string, Stream> streams_;
    std::map<std::string, storage::EntryId> table_streams_;
    std::vector<Storage> storages_;
    std::vector<storage::EntryId> opaque_;
    uint64_t next_order_ = 0;
    bool modified_ = false;
};

}  // namespace msi::db
