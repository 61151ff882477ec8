// How the installer wrappers word and file their reports. Every failed
// installer call is reported once, where it is detected, with a text that
// names the package and the installer's own text for the result code.
#pragma once

#include <cstdint>
#include <string>

#include <windows.h>

namespace installer {

// The report location of the wrappers' checks: source "MsiDbClasses" with a
// fixed line, so that the trace reads the same in every build.
std::string Location(int line);

// "Error " + context + " " + path + "\nMSI error: " + the installer's text for
// `code`. A "%s" in `context` takes `detail` (nullptr counts as empty). The
// path and the detail are inserted as they are, never read as a format, so a
// percent sign in a file name shows up unchanged.
std::string InstallerErrorText(const char* context, const char* detail, const std::string& path,
                               UINT code);

// Reports `text` at the location of the wrappers' installer-error check.
void ReportInstallerError(const std::string& text, std::uint32_t flags);

// A VERIFY check of the wrappers at a fixed line: reported with flags 3
// when `value` is false; returns `value`. `detail` defaults to the name of
// the checking source.
bool VerifyAt(bool value, int line, const char* expression, const char* detail = nullptr);

}  // namespace installer

namespace installer {

// Reports a fixed text at a check of the wrappers.
void ReportAt(int line, const char* text, std::uint32_t flags);

}  // namespace installer
