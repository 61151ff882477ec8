#include "option_parser.h"

#include "argument_reader.h"
#include "closest_word.h"
#include "option_help.h"

namespace cli {

bool ParsedLine::Has(std::string_view name) const {
    for (const GivenOption& option : given)
        if (option.name == name) return true;
    return false;
}

std::optional<std::string> ParsedLine::Value(std::string_view name) const {
    std::optional<std::string> value;
    for (const GivenOption& option : given)
        if (option.name == name) value = option.value;
    return value;
}

std::nullopt_t Refuse(UsageProblem& problem, std::string text, const ParsedLine& line) {
    problem.text = std::move(text);
    problem.command = line.command_name;
    return std::nullopt;
}

namespace {

std::vector<std::string> CommandNames(const CommandLineTable& table) {
    std::vector<std::string> names;
    for (const CommandEntry& command : table.commands)
        if (command.name[0] != '\0') names.push_back(command.name);
    return names;
}

const CommandEntry* NamedCommand(const CommandLineTable& table, const std::string& name) {
    for (const CommandEntry& command : table.commands)
        if (command.name[0] != '\0' && name == command.name) return &command;
    return nullptr;
}

const CommandEntry* PlainForm(const CommandLineTable& table) {
    for (const CommandEntry& command : table.commands)
        if (command.name[0] == '\0') return &command;
    return nullptr;
}

std::string DidYouMean(const std::string& word, const std::vector<std::string>& names) {
    const std::string guess = ClosestWord(word, names);
    return guess.empty() ? "" : ", did you mean '" + guess + "'?";
}

std::vector<std::string> OptionNames(const CommandLineTable& table) {
    std::vector<std::string> names = {"--trace", "--help", "--version"};
    for (const OptionEntry& option : table.options) names.push_back(option.name);
    return names;
}

// The option of the table that the current argument is, with its value.
const OptionEntry* ReadOption(const CommandLineTable& table, ArgumentReader& reader,
                              ArgumentReader::Value& taken, std::string& value) {
    for (const OptionEntry& option : table.options) {
        if (option.kind == OptionEntry::Kind::kFlag) {
            taken = reader.Is(option.name) ? ArgumentReader::Value::kTaken
                                           : ArgumentReader::Value::kNotThisOption;
        } else {
            taken = reader.TakeValue(option.name, value);
        }
        if (taken != ArgumentReader::Value::kNotThisOption) return &option;
    }
    return nullptr;
}

// Whether a value option shares the name `name` (a command's own --format).
bool HasValueRowNamed(const CommandLineTable& table, const std::string& name) {
    for (const OptionEntry& option : table.options)
        if (option.kind == OptionEntry::Kind::kValue && name == option.name) return true;
    return false;
}

// "a table name", for "--table needs a table name".
std::string Needs(const OptionEntry& option) {
    return option.needs != nullptr ? option.needs : "a value";
}

std::string ForeignOption(const CommandLineTable& table, const ParsedLine& line,
                          const std::string& option) {
    const std::string command =
        line.command_name.empty() ? table.plain_form_title : line.command_name;
    std::string text = table.foreign_option;
    for (const auto& [key, name] : {std::pair<std::string, std::string>{"{command}", command},
                                    std::pair<std::string, std::string>{"{option}", option}}) {
        const std::size_t at = text.find(key);
        if (at != std::string::npos) text.replace(at, key.size(), name);
    }
    return text;
}

}  // namespace

std::string ClosestCommand(const CommandLineTable& table, const std::string& word) {
    return ClosestWord(word, CommandNames(table));
}

std::optional<ParsedLine> ParseCommandLine(const CommandLineTable& table,
                                           const std::vector<std::string>& arguments,
                                           UsageProblem& problem) {
    using Value = ArgumentReader::Value;
    const CommandEntry* plain = PlainForm(table);
    ParsedLine line;
    if (plain != nullptr) line.command = plain->id;
    bool list_formats = false;
    ArgumentReader reader(arguments);
    while (reader.Next()) {
        const std::string& argument = reader.Current();
        if (reader.IsOperand()) {
            // Only the first operand may name the command. After "--" a program
            // with a plain form takes it as a path (a package may be called
            // "diff"); one without still finds its command there.
            const bool first = line.command_name.empty() && line.operands.empty();
            if (first && !(plain != nullptr && reader.OptionsEnded())) {
                if (const CommandEntry* command = NamedCommand(table, argument)) {
                    line.command = command->id;
                    line.command_name = command->name;
                    continue;
                }
                if (plain == nullptr)
                    return Refuse(problem,
                                  "unknown command '" + argument + "'" +
                                      DidYouMean(argument, CommandNames(table)),
                                  line);
            }
            line.operands.push_back(argument);
            continue;
        }
        if (ReadGeneralOption(reader, line)) {
            if (line.action == GeneralOptions::Action::kHelp)
                line.help = line.command_name.empty() ? table.program_help()
                                                      : CommandHelp(table, line.command);
            if (line.action != GeneralOptions::Action::kRun) return line;
            continue;
        }
        Value taken = Value::kNotThisOption;
        std::string value;
        const OptionEntry* option = ReadOption(table, reader, taken, value);
        if (option == nullptr)
            return Refuse(
                problem,
                "unknown option '" + argument + "'" + DidYouMean(argument, OptionNames(table)),
                line);
        const std::string name = option->name;
        if (taken == Value::kMissing)
            return Refuse(problem, name + " needs " + Needs(*option), line);
        if (option->kind == OptionEntry::Kind::kFormat) {
            if (value == "list") {
                list_formats = true;  // a question, not an option of the command
                continue;
            }
            const std::optional<OutputFormat> format = ParseOutputFormat(value);
            // A command with formats of its own declares "--format" again as
            // a value option; its value is checked once the command is known.
            if (!format && !HasValueRowNamed(table, name))
                return Refuse(problem,
                              "unknown format '" + value + "' (use '--format list' to see them)",
                              line);
            if (format) line.format = *format;
        } else if (option->accepts != nullptr && !option->accepts(value)) {
            return Refuse(problem, name + " needs " + Needs(*option) + ", not '" + value + "'",
                          line);
        }
        line.given.push_back({name, value});
    }
    if (list_formats) {
        line.action = GeneralOptions::Action::kListFormats;
        return line;
    }
    if (line.command < 0) return Refuse(problem, "no command given", line);
    const unsigned bit = CommandBit(line.command);
    for (const GivenOption& given : line.given) {
        // Several rows may share a name, each for its own commands.
        const OptionEntry* row = nullptr;
        for (const OptionEntry& option : table.options) {
            if (given.name == option.name && (option.commands & bit) != 0) row = &option;
        }
        if (row == nullptr) return Refuse(problem, ForeignOption(table, line, given.name), line);
        if (row->kind == OptionEntry::Kind::kFormat && !ParseOutputFormat(given.value))
            return Refuse(problem,
                          "unknown format '" + given.value + "' (use '--format list' to see them)",
                          line);
        if (row->kind == OptionEntry::Kind::kValue && row->accepts != nullptr &&
            !row->accepts(given.value))
            return Refuse(problem,
                          given.name + " needs " + Needs(*row) + ", not '" + given.value + "'",
                          line);
    }
    return line;
}

}  // namespace cli
