// The help both programs write from their tables (option_table.h), in one
// layout and one wording. A command's help is
//
//   Usage: PROGRAM COMMAND SYNOPSIS
//
//   ABOUT
//   Options:
//     --option VALUE  what it does        (the options the command takes)
//
//   General options:
//     --trace ...                         (the same lines in every help)
//
//   NOTES
//
// The program's help keeps the program's own layout, made of these pieces.
#pragma once

#include <string>

#include "option_table.h"

namespace cli {

// "PROGRAM COMMAND SYNOPSIS" ("PROGRAM SYNOPSIS" for the plain form).
std::string UsageLine(const CommandLineTable& table, const CommandEntry& command);

// "PROGRAM [COMMAND] --help | --version | --format list": the usage line of
// the questions every program answers (--format list where it has --format).
std::string QuestionsUsageLine(const CommandLineTable& table);

// The lines of the options that any of `commands` (CommandBit values) takes,
// aligned in one column for the whole program.
std::string OptionLines(const CommandLineTable& table, unsigned commands);

// "General options:" and the lines of --trace, --help, --version and "--".
std::string GeneralOptionLines(const CommandLineTable& table);

// The help of the command `id`.
std::string CommandHelp(const CommandLineTable& table, int id);

}  // namespace cli
