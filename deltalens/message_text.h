// The texts of the Deltalens commands are fixed literals with "%s" fields;
// the fields take paths and codes, which are inserted as they are and never
// read as formats themselves.
#pragma once

#include <initializer_list>
#include <string>

namespace deltalens {

// `format` with each "%s" or "%d" replaced, in order, by the next field.
std::string FillMessage(const char* format, std::initializer_list<std::string> fields);

}  // namespace deltalens
