#include "db/condition_syntax.h"

#include <gtest/gtest.h>

namespace {

TEST(ConditionSyntaxTest, TakesTheInstallersFormsAndRefusesBrokenOnes) {
    const char* const good[] = {
        "",
        "Installed",
        "NOT Installed AND (VersionNT >= 501 OR Version9X)",
        "REMOVE~=\"ALL\"",
        "&Main = 3 And !Main <> -1",
        "?Comp=3 xor $Comp=2 eqv %PROCESSOR_ARCHITECTURE=\"x86\" imp 1",
        "MsiNTProductType >< \"Server\" or Name << \"a\" or Name >> \"b\" or a~<=b",
        "((_IsSetupTypeMin.1 = \"Custom\"))",
    };
    for (const char* text : good) EXPECT_TRUE(msi::db::IsConditionSyntax(text)) << text;
    const char* const bad[] = {
        "(Installed", "Installed)", "NOT", "A AND",         "A = ",          "\"open", "A == B",
        "A = B = C",  "1st",        "A B", "AND Installed", "[ProductName]", "A = -",  "& = 3",
    };
    for (const char* text : bad) EXPECT_FALSE(msi::db::IsConditionSyntax(text)) << text;
}

}  // namespace
