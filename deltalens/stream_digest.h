// What diff and the command line's listing of a transform show for a binary
// cell instead of the stream's name: the size and a short hash of the bytes
// on each side, so that two packages that differ only in a stream's payload
// (a Binary cell's data, a cabinet in _Streams), or a transform that
// replaces one, show how. A stream of 1,204 bytes whose SHA-256 begins with
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

#include "apply_command.h"
#include "msi.h"

namespace deltalens {

// "[1,204 bytes 3fa4c2d1]": the byte count in groups of three, and the first
// eight hex digits of the SHA-256 of the bytes.
std::string DescribeStreamBytes(std::uint64_t size, const unsigned char* sha256);

class StreamDigests {
  public:
    // What the new side is. kPackage: diff's, NEW's streams against OLD's.
    // kTransform: a transform's listing, the streams the transform carries
    // (a binary cell's data, which the view names `Table.key`, or
    // `_Streams.NAME`) against the package's.
    enum class NewSide { kPackage, kTransform };
    StreamDigests(std::string old_package, std::string new_file,
                  NewSide new_side = NewSide::kPackage);
    // A transform's listing against a package that is open already (a
    // chain's, as the transforms before left it): the handle stays its
    // owner's.
    StreamDigests(MSIHANDLE open_package, std::string transform);
    ~StreamDigests();
    StreamDigests(const StreamDigests&) = delete;
    StreamDigests& operator=(const StreamDigests&) = delete;

    // Rewrites a change row (Table, Column, Row, Data, Current) of a binary
    // column: Data becomes NEW's stream described, Current OLD's (empty when
    // OLD has none). False for any other row, which stays as it is.
    bool Rewrite(const std::string& table, const std::string& column, const std::string& row,
                 std::string& data, std::string& current);

    // Hands each change on to `take_change`, rewritten where it is a binary
    // cell's. Valid while this object lives.
    TakeChange Describing(const TakeChange& take_change);

    // Lets go of the handles without closing them (someone else did).
    void Forget();

  private:
    bool RewriteTransformRow(const std::string& table, const std::string& column,
                             const std::string& row, std::string& data, std::string& current);
    // Whether the column is binary in the database of one side.
    bool IsBinaryColumn(const std::string& table, const std::string& column, bool new_side = true);
    // The description of a stream of one side; none when it has no such stream.
    std::optional<std::string> Describe(MSIHANDLE database, const std::string& stream);
    MSIHANDLE Database(bool new_side);

    std::string old_package_;
    std::string new_package_;
    MSIHANDLE old_ = 0;
    MSIHANDLE new_ = 0;
    bool transform_;                              // the new side is a transform
    bool owns_old_ = true;                        // old_ is closed here
    std::map<std::string, bool> binary_columns_;  // "side\tTable\tColumn" -> binary
};

// The Apply command's listing of `transform` with every binary cell shown
// as its bytes on each side: the command line's listing.
ApplyOutcome ApplyTransformViewDescribed(const std::string& package_path,
                                         const std::string& transform_path, int error_conditions,
                                         const TakeChange& take_change, diag::OutcomeSink& sink);

}  // namespace deltalens
