#include "general_options.h"

#include <ostream>

#include "exit_status.h"
#include "row_writer.h"

namespace cli {

bool ReadGeneralOption(const ArgumentReader& reader, GeneralOptions& general) {
    if (reader.Is("--help", "-h")) {
        general.action = GeneralOptions::Action::kHelp;
    } else if (reader.Is("--version")) {
        general.action = GeneralOptions::Action::kVersion;
    } else if (reader.Is("--trace")) {
        general.trace = true;
    } else {
        return false;
    }
    return true;
}

int AnswerGeneralAction(const Program& program, GeneralOptions::Action action,
                        const std::string& help, std::ostream& out) {
    switch (action) {
        case GeneralOptions::Action::kHelp:
            out << help;
            break;
        case GeneralOptions::Action::kVersion:
            out << VersionLine(program) << "\n";
            break;
        case GeneralOptions::Action::kListFormats:
            for (OutputFormat format : AllOutputFormats()) out << OutputFormatName(format) << "\n";
            break;
        case GeneralOptions::Action::kRun:
            break;
    }
    return kExitSuccess;
}

std::optional<int> AnswerHelpOrVersion(const Program& program, const std::string& help,
                                       const std::vector<std::string>& arguments,
                                       std::ostream& out) {
    ArgumentReader reader(arguments);
    GeneralOptions general;
    while (reader.Next()) {
        if (ReadGeneralOption(reader, general) && general.action != GeneralOptions::Action::kRun)
            return AnswerGeneralAction(program, general.action, help, out);
    }
    return std::nullopt;
}

}  // namespace cli
