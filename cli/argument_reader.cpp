#include "argument_reader.h"

namespace cli {

bool ArgumentReader::Next() {
    ++at_;
    if (at_ < arguments_.size() && !options_ended_ && arguments_[at_] == "--") {
        options_ended_ = true;
        ++at_;
    }
    return at_ < arguments_.size();
}

bool ArgumentReader::IsOperand() const {
    const std::string& argument = Current();
    return options_ended_ || argument.size() < 2 || argument[0] != '-';
}

bool ArgumentReader::Is(std::string_view name, std::string_view short_name) const {
    if (IsOperand()) return false;
    return Current() == name || (!short_name.empty() && Current() == short_name);
}

ArgumentReader::Value ArgumentReader::TakeValue(std::string_view name, std::string& value) {
    if (IsOperand()) return Value::kNotThisOption;
    const std::string& argument = Current();
    if (argument == name) {
        if (at_ + 1 >= arguments_.size()) return Value::kMissing;
        value = arguments_[++at_];
        return Value::kTaken;
    }
    if (argument.size() > name.size() && argument.compare(0, name.size(), name) == 0 &&
        argument[name.size()] == '=') {
        value = argument.substr(name.size() + 1);
        return Value::kTaken;
    }
    return Value::kNotThisOption;
}

}  // namespace cli
