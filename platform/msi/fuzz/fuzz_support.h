// Shared by the fuzz targets, their replay driver and their seed maker: a
// scratch folder for the process, fuzz bytes handed to the engine as a file,
// the small package the SQL and transform targets start from, and readers
// that touch every row and field the engine hands out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "msiquery.h"

namespace msi::fuzz {

// A private folder below $TMPDIR, made on first use and removed when the
// process exits normally.
const std::string& ScratchFolder();

// The bytes as the content of an in-memory file, and a path that opens it
// ("/proc/self/fd/N"). The same file is reused by every call of the process.
std::string MemoryFilePath(std::span<const uint8_t> bytes);

// Writes the bytes to `name` in the scratch folder, replacing what was there.
std::string WriteScratchFile(const std::string& name, std::string_view bytes);

// The path of the base package (made on first use in the scratch folder):
// a few tables of every column kind, a binary cell, a stream and summary
// information. BuildBasePackage writes the same package anywhere.
const std::string& BasePackage();
bool BuildBasePackage(const std::string& path);

// Every row of an executed view, every field read as text and as stream, up
// to a bound so that a huge table cannot stall the fuzzer.
void DrainView(MSIHANDLE view);
// SELECT * of every table of `_Tables`, and of `_Streams` and `_Storages`.
void ReadEveryTable(MSIHANDLE database);

}  // namespace msi::fuzz

// libFuzzer's entry point, defined once by each target.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
