// What libmspack reads cabinets through and writes files through. libmspack
// opens files by name; the names it is given here are tokens that this
// object hands out and resolves itself:
//   - a cabinet in the package's _Streams table is read through the
//     installer layer, piece by piece, straight from the package;
//   - a cabinet beside the package is read through a descriptor opened
//     once, by the name that was found;
//   - the one name for writing goes to the FolderFileWriter the caller set,
//     so a file is written as it is decompressed and only ever under its
//     temporary name until the caller commits it.
// So neither a cabinet nor a file is ever held whole in memory.
//
// One object serves one thread. Several may read one package at once: every
// call into the installer goes through the lock the caller shares among
// them, as the engine serves one caller at a time.
#pragma once

#include <mspack.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "export_folder.h"
#include "msi_database.h"

namespace tablesmith {

class CabinetSystem {
  public:
    CabinetSystem(CMsiDatabase& database, std::mutex& engine);
    ~CabinetSystem();
    CabinetSystem(const CabinetSystem&) = delete;
    CabinetSystem& operator=(const CabinetSystem&) = delete;

    // The system to create a cabinet decompressor with.
    mspack_system* system() { return &system_.base; }

    // The name under which libmspack opens the stream `stream` of the package.
    // libmspack keeps the pointer it is given in the cabinets it opens, so
    // the name lives as long as this object.
    const char* StreamName(const std::string& stream);
    // The name under which it opens the file open at `fd` (taken over).
    const char* FileName(int fd, const std::string& shown);
    // What messages call the cabinet behind a name.
    std::string Shown(const std::string& name) const;

    // Where the next file opened for writing goes, and what to call on each
    // piece written (the bytes written so far to this file).
    static constexpr const char* kOutputName = "output";
    void SetOutput(FolderFileWriter* writer, std::function<void(std::uint64_t)> written);
    // The errno of the last failed write, or 0.
    int write_error() const { return write_error_; }

  private:
    struct System {
        mspack_system base;
        CabinetSystem* owner;
    };
    class OpenFile;
    class StreamFile;
    class DescriptorFile;
    class OutputFile;
    static OpenFile* Of(mspack_file* file);
    static mspack_file* Open(mspack_system* self, const char* name, int mode);

    CMsiDatabase& database_;
    std::mutex& engine_;
    System system_;
    std::map<std::string, std::string> streams_;  // name -> stream
    std::map<std::string, int> files_;            // name -> descriptor
    std::map<std::string, std::string> shown_;
    FolderFileWriter* output_ = nullptr;
    std::function<void(std::uint64_t)> written_;
    int write_error_ = 0;
};

}  // namespace tablesmith
