// Walks a command line one argument at a time, the same way in both
// programs:
//
//   - an argument that starts with "-" (but is not "-" alone) is an option;
//   - "--" ends the options: everything after it is an operand, so a path
//     may start with a dash;
//   - an option with a value is given as "--name VALUE" or "--name=VALUE".
//
// The parser of each program asks what the current argument is and decides;
// the reader only knows the shapes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

class ArgumentReader {
  public:
    explicit ArgumentReader(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    // Moves to the next argument (skipping a first "--", which ends the
    // options); false when there is none left.
    bool Next();
    const std::string& Current() const { return arguments_[at_]; }

    // An operand: not an option, or any argument after "--".
    bool IsOperand() const;
    // Whether "--" came before the current argument: an operand that could
    // name a command then names a file.
    bool OptionsEnded() const { return options_ended_; }
    // The option `name`, or its short form when one is given ("-h").
    bool Is(std::string_view name, std::string_view short_name = {}) const;

    enum class Value { kNotThisOption, kTaken, kMissing };
    // When the current argument is the option `name` with its value, puts
    // the value into `value` (moving past a separate value argument). kMissing:
    // it is the option, but the command line ends before its value.
    Value TakeValue(std::string_view name, std::string& value);

  private:
    const std::vector<std::string>& arguments_;
    std::size_t at_ = static_cast<std::size_t>(-1);
    bool options_ended_ = false;
};

}  // namespace cli
