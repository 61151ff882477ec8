#include "change_writer.h"

namespace deltalens {

ChangeWriter::ChangeWriter(::cli::OutputFormat format, std::ostream& out)
    : writer_(format, {kChangeColumnNames.begin(), kChangeColumnNames.end()}, out) {}

void ChangeWriter::Add(const ChangeRow& change) {
    writer_.Add(change);
    ++count_;
}

}  // namespace deltalens
