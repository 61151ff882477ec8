// A file's summary information as a reader wants it: every property it
// holds, by name, with its value typed (text, number, or a time in ISO 8601
// UTC) and shown as text. The same for packages, transforms and patches;
// their meanings of a few properties differ (a transform's template names
// its target's platform and language), which the names leave to the reader.
// Shared by tablesmith-cli info and the viewer's summary page.
#pragma once

#include <string>
#include <vector>

#include "msi.h"

namespace installer {

struct SummaryProperty {
    enum class Type { kText, kInteger, kTime };
    unsigned id = 0;
    const char* name = "";  // "Title", "CreateTime"...; stable, used as a JSON key
    Type type = Type::kText;
    std::string text;      // the value shown: the text, the number, or the time in ISO 8601
    long long number = 0;  // kInteger's value
};

// The property's name ("Codepage", "Title", ... "Security"), or "" for an
// id the installer does not define.
const char* SummaryPropertyName(unsigned id);

// A FILETIME (100 ns units since 1601-01-01 UTC) as "2017-02-18T17:14:40Z".
std::string FileTimeToIso8601(const FILETIME& time);

// The summary information of the open database `database`, or with
// `database` 0 of the file at `path`: the properties that hold a value, in
// id order. False when it cannot be read; `failure` then says why when the
// engine said.
bool ReadSummaryInformation(MSIHANDLE database, const std::string& path,
                            std::vector<SummaryProperty>& properties,
                            std::string* failure = nullptr);

// The property of that id among `properties`, or null.
const SummaryProperty* FindSummaryProperty(const std::vector<SummaryProperty>& properties,
                                           unsigned id);

}  // namespace installer
