// A package's summary information as the viewer lists it: every property
// with its name, its type and its value (dates in ISO 8601, the code page by
// number and name), and the database's own code page.
#pragma once

#include <string>
#include <vector>

#include "msi.h"

namespace viewer {

struct SummaryProperty {
    std::string name;
    std::string type;  // "Integer (I2)", "Integer (I4)", "Text", "Date"
    std::string value;
};

// The properties the package holds, in property id order.
std::vector<SummaryProperty> ReadSummaryProperties(MSIHANDLE database);
// The string pool's code page ("1252 (Western European)"), read through the
// engine's export of _ForceCodepage into a private temporary folder.
std::string DatabaseCodePage(MSIHANDLE database);

// "1252 (Western European)"; the number alone for a code page we do not name.
std::string CodePageText(int code_page);
// A FILETIME (100 ns since 1601-01-01 UTC) as "2015-06-30T12:00:00Z".
std::string IsoDate(unsigned long long filetime);

}  // namespace viewer
