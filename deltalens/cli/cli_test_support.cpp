#include "cli_test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <sstream>

#include "cli_main.h"

#include "test_support.h"
#include "text_escape.h"

namespace deltalens_test {

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return testing_support::Run(argv);
}

ProcessResult RunCliProcess(const std::vector<std::string>& arguments) {
    return RunProcess(DELTALENS_CLI_PATH, arguments);
}

ProcessResult RunCliInProcess(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    ProcessResult result;
    result.status = deltalens::RunCommandLine(arguments, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

const std::vector<FixturePair>& RealTransformPairs() {
    static constexpr const char* kAlcor = "real/alcor-smartcard/AlcorSmartCardReaderDriver.msi";
    static constexpr const char* kPes = "real/pes2012/PES2012DEMO.msi";
    static constexpr const char* kAcro = "real/adobe-reader/AcroRead.msi";
    static const std::vector<FixturePair> pairs = {
        {"real/alcor-smartcard/1028.mst", kAlcor},
        {"real/alcor-smartcard/1029.mst", kAlcor},
        {"real/alcor-smartcard/1031.mst", kAlcor},
        {"real/alcor-smartcard/1032.mst", kAlcor},
        {"real/alcor-smartcard/1033.mst", kAlcor},
        {"real/alcor-smartcard/1041.mst", kAlcor},
        {"real/alcor-smartcard/1042.mst", kAlcor},
        {"real/alcor-smartcard/1049.mst", kAlcor},
        {"real/alcor-smartcard/1054.mst", kAlcor},
        {"real/alcor-smartcard/1055.mst", kAlcor},
        {"real/alcor-smartcard/2052.mst", kAlcor},
        {"real/alcor-smartcard/4100.mst", kAlcor},
        {"real/pes2012/1025.mst", kPes},
        {"real/pes2012/1031.mst", kPes},
        {"real/pes2012/1033.mst", kPes},
        {"real/pes2012/1049.mst", kPes},
        {"real/adobe-reader/AcroRead-kw.mst", kAcro},
        {"real/adobe-reader/AcroRead-rcs.mst", kAcro},
    };
    return pairs;
}

std::string FixturePairName(const testing::TestParamInfo<FixturePair>& info) {
    std::string name = info.param.transform;
    name = name.substr(name.find('/') + 1);
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

// Without it GoogleTest prints the raw bytes of the two pointers.
void PrintTo(const FixturePair& pair, std::ostream* out) {
    *out << pair.transform;
}

bool ParseTsv(const std::string& text, std::vector<std::vector<std::string>>& rows) {
    rows.clear();
    if (!text.empty() && text.back() != '\n') {
        ADD_FAILURE() << "the output does not end with a line feed";
        return false;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        std::vector<std::string> row;
        std::size_t cell_start = 0;
        while (true) {
            const std::size_t tab = line.find('\t', cell_start);
            std::string cell;
            if (!::cli::UnescapeCell(line.substr(cell_start, tab - cell_start), cell)) {
                ADD_FAILURE() << "bad escape in line: " << line;
                return false;
            }
            row.push_back(std::move(cell));
            if (tab == std::string::npos) break;
            cell_start = tab + 1;
        }
        rows.push_back(std::move(row));
    }
    return true;
}

}  // namespace deltalens_test
