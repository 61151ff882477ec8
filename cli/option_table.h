// What a command-line program declares about its command line: one table of
// its commands and one of its options. The machinery that reads arguments by
// these tables (option_parser.h) and writes the help from them
// (option_help.h) exists once; a program only declares:
//
//   constexpr cli::CommandEntry kCommands[] = {
//       {kExport, "export", "[--folder DIR] PACKAGE", "write the tables", "Writes ...\n"},
//   };
//   constexpr cli::OptionEntry kOptions[] = {
//       cli::ValueOption("--folder", "DIR", "write into DIR", "a folder",
//       cli::CommandBit(kExport)), cli::FlagOption("--all", "every table",
//       cli::CommandBit(kExport)), cli::FormatOption(cli::CommandBit(kTables)),
//   };
//
// A new command is a row of the first table, a new option a row of the
// second naming the commands that take it; the help lists both by itself.
// A command whose formats are not the row writer's declares "--format" again
// as a value option of its own, after the FormatOption row, with `accepts`
// saying which values it takes.
#pragma once

#include <span>
#include <string>

namespace cli {

// One command. A program may have one command without a name, its plain
// form ("deltalens-cli PACKAGE TRANSFORM"): it runs when the first operand
// names no command.
struct CommandEntry {
    int id;                // the program's own value for the command, below 32
    const char* name;      // as typed; "" for the plain form
    const char* synopsis;  // what follows the name in the usage line
    const char* summary;   // its line in the program's list of commands, or nullptr
    const char* about;     // the paragraph that opens the command's help
    std::span<const char* const> notes = {};  // paragraphs after the command's options
};

// A program's own value for a command (an enum) as CommandEntry::id.
template <class Command>
constexpr int CommandId(Command command) {
    return static_cast<int>(command);
}

// The bit of a command in OptionEntry::commands.
template <class Command>
constexpr unsigned CommandBit(Command command) {
    return 1u << static_cast<unsigned>(command);
}

struct OptionEntry {
    enum class Kind {
        kFlag,    // --name
        kValue,   // --name VALUE or --name=VALUE
        kFormat,  // --format, whose values and help come from the row writer
    };
    Kind kind;
    const char* name;         // "--table"
    const char* placeholder;  // the value in the help ("NAME"); nullptr for a flag
    const char* help;         // the option's line in the help
    unsigned commands;        // the CommandBit of each command that takes it
    // What the value must be, for the usage error "--table needs a table name".
    const char* needs = nullptr;
    // When set, a value it refuses is that usage error too, naming the value.
    bool (*accepts)(const std::string& value) = nullptr;
};

constexpr OptionEntry FlagOption(const char* name, const char* help, unsigned commands) {
    return {OptionEntry::Kind::kFlag, name, nullptr, help, commands};
}

constexpr OptionEntry ValueOption(const char* name, const char* placeholder, const char* help,
                                  const char* needs, unsigned commands,
                                  bool (*accepts)(const std::string&) = nullptr) {
    return {OptionEntry::Kind::kValue, name, placeholder, help, commands, needs, accepts};
}

// --format FORMAT: one of the row writer's formats, or "list" to ask for them.
constexpr OptionEntry FormatOption(unsigned commands) {
    return {OptionEntry::Kind::kFormat,
            "--format",
            "FORMAT",
            nullptr,
            commands,
            "a value (use '--format list' to see them)"};
}

// A program's whole command line.
struct CommandLineTable {
    const char* program;                     // "tablesmith-cli"
    std::span<const CommandEntry> commands;  // in the order the help lists them
    std::span<const OptionEntry> options;    // likewise
    // The usage error for an option the command does not take; "{command}"
    // and "{option}" stand for their names.
    const char* foreign_option;
    // How that usage error names the plain form, which has no name.
    const char* plain_form_title;
    // The help asked for without a command: the program's own layout.
    std::string (*program_help)();
};

}  // namespace cli
