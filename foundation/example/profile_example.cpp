// profile-example: keeps named settings in one section of a profile and reads
// them back, the way a program built on this library keeps its settings.
//
//   profile-example save (--ini FILE | --registry KEY) SECTION NAME=VALUE...
//   profile-example load (--ini FILE | --registry KEY) SECTION
//
// --ini FILE keeps the section in an INI file (a bare file name lives in the
// user's configuration folder, $XDG_CONFIG_HOME/vsb, else ~/.config/vsb).
// --registry KEY keeps it under HKEY_CURRENT_USER\KEY in the registry store,
// registry.txt in that same folder.
//
// save replaces the whole section with the variables given; load prints the
// section's variables as NAME=VALUE lines, sorted by name. Exit status: 0
// done, 1 the profile could not be written or the section is empty, 2 usage.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "profile.h"
#include "var_map.h"

namespace {

int Usage() {
    std::fputs(
        "usage: profile-example save (--ini FILE | --registry KEY) SECTION NAME=VALUE...\n"
        "       profile-example load (--ini FILE | --registry KEY) SECTION\n",
        stderr);
    return 2;
}

// Points the process-wide profile at the INI file or the registry key; false
// for an unknown kind of location.
bool SelectProfile(const std::string& kind, const std::string& where) {
    if (kind == "--ini") {
        foundation::SetProfileLocation(where, nullptr);
    } else if (kind == "--registry") {
        foundation::SetProfileLocation(where, HKEY_CURRENT_USER);
    } else {
        return false;
    }
    return !where.empty();
}

// Each NAME=VALUE becomes a variable of the map; the last of a name wins,
// since a variable map overwrites by default.
int Save(const std::string& section, const std::vector<std::string>& assignments) {
    CVarMap variables;
    for (const std::string& assignment : assignments) {
        const size_t equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0) {
            std::fprintf(stderr, "profile-example: '%s' is not NAME=VALUE\n", assignment.c_str());
            return 2;
        }
        const std::string name = assignment.substr(0, equals);
        const std::string value = assignment.substr(equals + 1);
        variables.SetVariable(name.c_str(), value.c_str(), nullptr);
    }
    if (!variables.SaveSection(section.c_str())) {
        std::fprintf(stderr, "profile-example: section %s could not be written\n", section.c_str());
        return 1;
    }
    std::printf("saved %d variables in section %s\n", static_cast<int>(variables.GetCount()),
                section.c_str());
    return 0;
}

int Load(const std::string& section) {
    CVarMap variables;
    if (variables.LoadSection(section.c_str()) == 0) {
        std::fprintf(stderr, "profile-example: section %s holds no variables\n", section.c_str());
        return 1;
    }
    // The map keeps its variables in hash order; sorted, the output is the
    // same on every run.
    std::map<std::string, std::string> sorted;
    POSITION position = variables.GetStartPosition();
    while (position != nullptr) {
        std::string name;
        CObject* object = nullptr;
        variables.GetNextAssoc(position, name, object);
        sorted[name] = static_cast<const CEntry*>(object)->GetFieldText(0);
    }
    for (const auto& [name, value] : sorted) std::printf("%s=%s\n", name.c_str(), value.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 4 || !SelectProfile(args[1], args[2])) return Usage();
    const std::string& section = args[3];
    if (args[0] == "save" && args.size() > 4)
        return Save(section, std::vector<std::string>(args.begin() + 4, args.end()));
    if (args[0] == "load" && args.size() == 4) return Load(section);
    return Usage();
}
