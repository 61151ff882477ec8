// VERIFY: checks an expression that must hold (as a rule a call that returns a
// success flag). When it is 0 the failure is reported with flags 3 (only the
// "Error in line" trace line) and the program goes on; the check's value is the
// expression's truth value, so `if (!VERIFY(view.Fetch(rec))) return false;` works.
//
//   VERIFY(expr)                          location: this file and line; detail: this file's path
//   VERIFY(expr, "detail")                the detail replaces the file path
//   VSB_VERIFY_AT("MsiDbClasses", 1552, expr)           location of a named source check
//   VSB_VERIFY_AT("MsiDbClasses", 689, expr, "detail")
//
// The report text is "[BETA_BUILD]: VERIFY failed: " + expression text + detail.
// The expression is evaluated exactly once.
#pragma once

#include <string>

#include "error_report.h"

namespace diag {

// The function behind the macros, for callers that must name the expression
// text themselves. Returns `value`.
bool Verify(bool value, const std::string& location, const char* expression_text,
            const char* detail);

// The text a failed check reports (it reaches no trace with flags 3, so it is
// offered here for callers and tests that want to see it).
std::string VerifyReportText(const char* expression_text, const char* detail);

}  // namespace diag

#define VSB_VERIFY_STRINGIFY_(x) #x
#define VSB_VERIFY_LINE_(x) VSB_VERIFY_STRINGIFY_(x)
#define VSB_VERIFY_HERE_ __FILE__ " (" VSB_VERIFY_LINE_(__LINE__) ")"

#define VSB_VERIFY_1_(expr) \
    ::diag::Verify(static_cast<bool>(expr), VSB_VERIFY_HERE_, #expr, __FILE__)
#define VSB_VERIFY_2_(expr, detail) \
    ::diag::Verify(static_cast<bool>(expr), VSB_VERIFY_HERE_, #expr, (detail))
#define VSB_VERIFY_PICK_(_1, _2, name, ...) name
#define VERIFY(...) VSB_VERIFY_PICK_(__VA_ARGS__, VSB_VERIFY_2_, VSB_VERIFY_1_, unused)(__VA_ARGS__)

#define VSB_VERIFY_AT_3_(source, line, expr) \
    ::diag::Verify(static_cast<bool>(expr), VSB_LOCATION(source, line), #expr, source ".cpp")
#define VSB_VERIFY_AT_4_(source, line, expr, detail) \
    ::diag::Verify(static_cast<bool>(expr), VSB_LOCATION(source, line), #expr, (detail))
#define VSB_VERIFY_AT_PICK_(_1, _2, _3, _4, name, ...) name
#define VSB_VERIFY_AT(...)                                                               \
    VSB_VERIFY_AT_PICK_(__VA_ARGS__, VSB_VERIFY_AT_4_, VSB_VERIFY_AT_3_, unused, unused) \
    (__VA_ARGS__)
