// The `_SummaryInformation` pseudo table: the summary information stream
// (\005SummaryInformation) as a two-column text archive.
//
//   PropertyId<TAB>Value
//   i2<TAB>l255
//   _SummaryInformation<TAB>PropertyId
//   <pid><TAB><value>          one line per property present, in id order
//
// Values: integers in decimal, strings as their bytes (in the summary's own
// code page, property 1), times as "YYYY/MM/DD hh:mm:ss" in UTC. The code
// page is written unsigned (65001, although the stream holds it as the
// 16-bit -535); import takes either form. The
// installer's documentation spells the time "hh::mm::ss" once (and gives an
// example with single colons); import takes both.
#pragma once

#include <string>

#include "common/status.h"
#include "format/property_set.h"
#include "idt/text_source.h"

namespace msi::idt {

std::string FormatFileTime(format::FileTime time);
// Refuses anything but a valid date and time in the form above.
Result<format::FileTime> ParseFileTime(std::string_view text);

// The whole file for a property set, CR LF line ends.
std::string FormatSummaryArchive(const format::SummaryPropertySet& set);
// Reads the rows after the header; every property id must be one the
// installer knows and every value must fit that property's type.
Result<format::SummaryPropertySet> ReadSummaryRows(TextSource& source);

}  // namespace msi::idt
