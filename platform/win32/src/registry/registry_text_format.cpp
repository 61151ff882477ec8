#include "registry_text_format.h"

#include <charconv>
#include <vector>

#include "win32/registry.h"

namespace win32 {
namespace {

constexpr std::string_view kHeader = "VSB-REGISTRY 1";
constexpr std::string_view kReadOnlyFlag = "read-only";
constexpr char kHex[] = "0123456789abcdef";

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_LINK || type == REG_MULTI_SZ;
}

std::string Escape(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || c == '%') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Unescape(std::string_view text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return false;
        int hi = HexDigit(text[i + 1]), lo = HexDigit(text[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

bool DecodeHex(std::string_view text, std::string& out) {
    out.clear();
    if (text.size() % 2 != 0) return false;
    for (size_t i = 0; i < text.size(); i += 2) {
        int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) return fields;
        line.remove_prefix(tab + 1);
    }
}

void EncodeKey(const RegistryNode& node, const std::string& path, std::string& out) {
    // A key line is needed for a key that exists without values or children
    // (otherwise nothing would recreate it) and for every key with values.
    bool is_root = path.find('\\') == std::string::npos;
    if (!is_root || !node.values().empty() || node.read_only()) {
        out += "key\t" + path;
        if (node.read_only()) out += "\t" + std::string(kReadOnlyFlag);
        out += '\n';
    }
    for (const RegistryValue& value : node.values()) {
        out += "value\t" + Escape(value.name) + "\t" + std::to_string(value.type) + "\t";
        if (IsStringType(value.type)) {
            out += Escape(value.data);
        } else {
            for (unsigned char c : value.data) {
                out += kHex[c >> 4];
                out += kHex[c & 15];
            }
        }
        out += '\n';
    }
    for (const auto& child : node.children())
        EncodeKey(*child, path + "\\" + Escape(child->name()), out);
}

// A key or value name may not hold a zero byte (the API takes C strings) and
// a key name may not be empty.
bool IsValidName(const std::string& name, bool key) {
    return name.find('\0') == std::string::npos && !(key && name.empty());
}

RegistryNode* DecodeKeyLine(const std::vector<std::string_view>& fields, RegistryTree& tree) {
    if (fields.size() < 2 || fields.size() > 3) return nullptr;
    if (fields.size() == 3 && fields[2] != kReadOnlyFlag) return nullptr;
    std::string_view path = fields[1];
    size_t slash = path.find('\\');
    int root = RegistryTree::RootIndex(path.substr(0, slash));
    if (root < 0) return nullptr;
    RegistryNode* node = &tree.Root(root);
    size_t depth = 0;
    while (slash != std::string_view::npos) {
        if (++depth > RegistryTree::kMaxDepth) return nullptr;
        path.remove_prefix(slash + 1);
        slash = path.find('\\');
        std::string name;
        if (!Unescape(path.substr(0, slash), name) || !IsValidName(name, true)) return nullptr;
        node = node->AddChild(name);
    }
    if (fields.size() == 3) node->set_read_only(true);
    return node;
}

bool DecodeValueLine(const std::vector<std::string_view>& fields, RegistryNode& key) {
    if (fields.size() != 4) return false;
    std::string name, data;
    if (!Unescape(fields[1], name) || !IsValidName(name, false)) return false;
    DWORD type = 0;
    std::string_view t = fields[2];
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), type);
    if (ec != std::errc() || end != t.data() + t.size() || t.empty()) return false;
    bool ok = IsStringType(type) ? Unescape(fields[3], data) : DecodeHex(fields[3], data);
    if (!ok) return false;
    key.SetValue(name, type, std::move(data));
    return true;
}

}  // namespace

std::string EncodeRegistryText(const RegistryTree& tree) {
    std::string out(kHeader);
    out += '\n';
    for (int i = 0; i < RegistryTree::kRootCount; ++i)
        EncodeKey(tree.Root(i), RegistryTree::RootName(i), out);
    return out;
}

bool DecodeRegistryText(std::string_view text, RegistryTree& tree, size_t& bad_line) {
    RegistryNode* current = nullptr;
    size_t number = 0;
    bool header_seen = false;
    while (!text.empty()) {
        size_t lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
        ++number;
        bad_line = number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!header_seen) {
            if (line != kHeader) return false;
            header_seen = true;
            continue;
        }
        if (line.empty() || line.front() == '#') continue;
        std::vector<std::string_view> fields = SplitTabs(line);
        if (fields[0] == "key") {
            current = DecodeKeyLine(fields, tree);
            if (current == nullptr) return false;
        } else if (fields[0] == "value") {
            // A value before any key line has no key to belong to.
            if (current == nullptr || !DecodeValueLine(fields, *current)) return false;
        } else {
            return false;
        }
    }
    bad_line = 0;
    // An empty file is an empty store; a file with text must begin with the header.
    return header_seen || number == 0;
}

}  // namespace win32
