// What diff shows for a binary cell instead of the stream's name: the size
// and a short hash of the bytes on each side, so that two packages that
// differ only in a stream's payload (a Binary cell's data, a cabinet in
// _Streams) show how. A stream of 1,204 bytes whose SHA-256 begins with
// 3fa4c2d1... is "[1,204 bytes 3fa4c2d1]".
//
// The packages are opened read-only on first need, through the installer
// interface. ApplyTransformView closes every handle when it returns, these
// included: call Forget() after it, before the object goes.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "msi.h"

namespace deltalens {

// "[1,204 bytes 3fa4c2d1]": the byte count in groups of three, and the first
// eight hex digits of the SHA-256 of the bytes.
std::string DescribeStreamBytes(std::uint64_t size, const unsigned char* sha256);

class StreamDigests {
  public:
    StreamDigests(std::string old_package, std::string new_package);
    ~StreamDigests();
    StreamDigests(const StreamDigests&) = delete;
    StreamDigests& operator=(const StreamDigests&) = delete;

    // Rewrites a change row (Table, Column, Row, Data, Current) of a binary
    // column: Data becomes NEW's stream described, Current OLD's (empty when
    // OLD has none). False for any other row, which stays as it is.
    bool Rewrite(const std::string& table, const std::string& column, const std::string& row,
                 std::string& data, std::string& current);

    // Lets go of the handles without closing them (someone else did).
    void Forget();

  private:
    bool IsBinaryColumn(const std::string& table, const std::string& column);
    // The description of a stream of one side; none when it has no such stream.
    std::optional<std::string> Describe(MSIHANDLE database, const std::string& stream);
    MSIHANDLE Database(bool new_side);

    std::string old_package_;
    std::string new_package_;
    MSIHANDLE old_ = 0;
    MSIHANDLE new_ = 0;
    std::map<std::string, bool> binary_columns_;  // "Table\tColumn" -> binary in NEW
};

}  // namespace deltalens
