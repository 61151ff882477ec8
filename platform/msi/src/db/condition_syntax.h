// Whether a text is a conditional expression as the installer writes them in
// Condition columns ("VersionNT >= 501 AND NOT Installed"): the check behind
// the Condition category of _Validation. Only the form is checked, nothing
// is evaluated.
//
//   expression  term ((AND | OR | XOR | EQV | IMP) term)*
//   term        NOT term | "(" expression ")" | value [operator value]
//   value       a property name, one with a prefix (% $ ? & !), an integer,
//               or a "literal" (no escapes: it ends at the next '"')
//   operator    = <> > < >= <= >< << >>, each also after '~' (case ignored)
//
// Keywords are matched without regard to case. An empty text is a condition
// (always true).
#pragma once

#include <string_view>

namespace msi::db {

bool IsConditionSyntax(std::string_view text);

}  // namespace msi::db
