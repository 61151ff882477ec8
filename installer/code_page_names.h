// What a code page number means to a reader: 1252 is "Western European
// (Windows-1252)". Shown beside the number wherever a package's or a
// summary's code page is described (tablesmith-cli info, the viewer).
#pragma once

#include <string>

namespace installer {

// The code page's name, or "" for a number this table does not know.
// 0 is the neutral code page of a database whose strings are plain ASCII.
std::string CodePageName(unsigned code_page);

// "1252 (Western European (Windows-1252))" style text: the number, and the
// name in parentheses when known.
std::string DescribeCodePage(unsigned code_page);

}  // namespace installer
