#include "option_help.h"

#include <algorithm>

#include "row_writer.h"

namespace cli {

namespace {

struct HelpLine {
    std::string spelling;
    std::string help;  // may hold line feeds; later lines are indented too
};

const HelpLine kGeneralLines[] = {
    {"--trace", "write the debug output channel to standard error"},
    {"-h, --help", "print the help (after a command, that command's) and exit"},
    {"--version", "print the version and exit"},
    {"--",
     "end the options: what follows are paths, even when they\n"
     "begin with '-'"},
};

// "table, tsv, csv or json [default=table]; ...": the row writer's formats.
std::string FormatHelp() {
    const std::vector<OutputFormat>& formats = AllOutputFormats();
    std::string text;
    for (std::size_t i = 0; i < formats.size(); ++i) {
        if (i > 0) text += i + 1 == formats.size() ? " or " : ", ";
        text += OutputFormatName(formats[i]);
    }
    return text + " [default=" + std::string(OutputFormatName(kDefaultOutputFormat)) +
           "]; '--format list' lists them";
}

HelpLine LineOf(const OptionEntry& option) {
    HelpLine line{option.name, option.help != nullptr ? option.help : ""};
    if (option.placeholder != nullptr) line.spelling += std::string(" ") + option.placeholder;
    if (option.kind == OptionEntry::Kind::kFormat) line.help = FormatHelp();
    return line;
}

// Where the help of every option of the program starts.
std::size_t HelpColumn(const CommandLineTable& table) {
    std::size_t widest = 0;
    for (const HelpLine& line : kGeneralLines) widest = std::max(widest, line.spelling.size());
    for (const OptionEntry& option : table.options)
        widest = std::max(widest, LineOf(option).spelling.size());
    return 2 + widest + 2;
}

std::string Write(const HelpLine& line, std::size_t column) {
    std::string text = "  " + line.spelling;
    text.append(column - text.size(), ' ');
    for (const char c : line.help) {
        text += c;
        if (c == '\n') text.append(column, ' ');
    }
    return text + "\n";
}

}  // namespace

std::string UsageLine(const CommandLineTable& table, const CommandEntry& command) {
    std::string line = table.program;
    if (command.name[0] != '\0') line += std::string(" ") + command.name;
    return line + " " + command.synopsis;
}

std::string QuestionsUsageLine(const CommandLineTable& table) {
    std::string line = std::string(table.program) + " [COMMAND] --help | --version";
    for (const OptionEntry& option : table.options)
        if (option.kind == OptionEntry::Kind::kFormat) return line + " | --format list";
    return line;
}

std::string OptionLines(const CommandLineTable& table, unsigned commands) {
    const std::size_t column = HelpColumn(table);
    std::string text;
    for (const OptionEntry& option : table.options)
        if ((option.commands & commands) != 0) text += Write(LineOf(option), column);
    return text;
}

std::string GeneralOptionLines(const CommandLineTable& table) {
    const std::size_t column = HelpColumn(table);
    std::string text = "General options:\n";
    for (const HelpLine& line : kGeneralLines) text += Write(line, column);
    return text;
}

std::string CommandHelp(const CommandLineTable& table, int id) {
    const CommandEntry* command = &table.commands.front();
    for (const CommandEntry& entry : table.commands)
        if (entry.id == id) command = &entry;
    std::string text = "Usage: " + UsageLine(table, *command) + "\n\n" + command->about;
    const std::string options = OptionLines(table, CommandBit(id));
    if (!options.empty()) text += "\nOptions:\n" + options;
    text += "\n" + GeneralOptionLines(table);
    for (const char* note : command->notes) text += std::string("\n") + note;
    return text;
}

}  // namespace cli
