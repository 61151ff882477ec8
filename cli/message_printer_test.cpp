#include "message_printer.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct Printed {
    std::string out;
    std::string err;
};

Printed Print(std::string_view text, bool failure, std::string_view detail) {
    std::ostringstream out;
    std::ostringstream err;
    cli::PrintMessage(text, failure, detail, out, err);
    return {out.str(), err.str()};
}

TEST(MessagePrinterTest, InformationGoesToOutputAndFailuresToErrors) {
    Printed printed = Print("Generated new MSI File!\n(/tmp/p/p.msi)", false, "");
    EXPECT_EQ(printed.out, "Generated new MSI File!\n(/tmp/p/p.msi)\n");
    EXPECT_EQ(printed.err, "");
    printed = Print("Error applying transform. (1624)", true, "");
    EXPECT_EQ(printed.out, "");
    EXPECT_EQ(printed.err, "Error applying transform. (1624)\n");
}

TEST(MessagePrinterTest, TheCauseFollowsOnOneLineOfItsOwn) {
    const Printed printed = Print("Can't open MSI Database in Transaction mode!", true,
                                  "cannot open a.msi: No such file or directory\nsecond part");
    EXPECT_EQ(printed.err,
              "Can't open MSI Database in Transaction mode!\n"
              "cause: cannot open a.msi: No such file or directory; second part\n");
}

TEST(MessagePrinterTest, ControlCharactersFromAPackageAreEscapedButTheTextKeepsItsShape) {
    // A table name that would clear the screen and ring the bell.
    const Printed printed =
        Print("Can't export table \x1b[2J\x07T!\n\t- C:\\x", true, "table \x1b]0;title\x07");
    EXPECT_EQ(printed.err,
              "Can't export table \\x1b[2J\\x07T!\n\t- C:\\x\n"
              "cause: table \\x1b]0;title\\x07\n");
}

}  // namespace
