#include "path_functions.h"

#include "mb_walk.h"
#include "path_style.h"
#include "text_functions.h"

namespace {

bool IsWindowsStyle() {
    return VSB_GetPathStyle() == VSB_PATH_WINDOWS;
}

bool IsTrailingSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// White space bytes are all below 0x40, and no code page we support uses such
// a value as the second byte of a character, so trimming by bytes is safe.
std::string WithoutTrailingSpace(const std::string& text) {
    std::size_t end = text.size();
    while (end > 0 && IsTrailingSpace(text[end - 1])) --end;
    return text.substr(0, end);
}

bool EndsWithSeparator(const std::string& text, char separator) {
    const char* last = foundation::LastCharOf(text.c_str());
    return last != nullptr &&
           foundation::CharValueAt(last) == static_cast<unsigned char>(separator);
}

// Counts separators by whole characters.
int CountSeparators(const char* text) {
    int count = 0;
    for (const char* p = text; *p != '\0'; p += foundation::CharLengthAt(p)) {
        if (foundation::CharValueAt(p) == static_cast<unsigned char>(VSB_PathSeparator())) ++count;
    }
    return count;
}

// The character after the first one, or nullptr when there is none.
const char* SecondChar(const char* text) {
    if (*text == '\0') return nullptr;
    const char* second = text + foundation::CharLengthAt(text);
    return *second != '\0' ? second : nullptr;
}

}  // namespace

bool VSB_IsUncPath(const char* text) {
    if (text == nullptr || !IsWindowsStyle()) return false;
    if (text[0] != '\\' || text[1] != '\\') return false;
    return VSB_FindChar(text + 2, '\\') != std::string::npos;
}

bool VSB_IsAbsolutePath(const char* text) {
    if (text == nullptr || *text == '\0') return false;
    const char separator = VSB_PathSeparator();
    if (text[0] == '%' || (text[0] == '.' && text[1] == separator)) return true;
    const std::string path(text);
    if (VSB_FindChar(path, static_cast<unsigned char>(separator)) == std::string::npos)
        return false;
    if (!IsWindowsStyle()) return text[0] == '/';
    if (VSB_IsUncPath(text)) return true;
    // A drive: the first ":\" starts at the second character.
    for (const char* p = text; *p != '\0'; p += foundation::CharLengthAt(p)) {
        if (p[0] == ':' && p[1] == '\\') return p == SecondChar(text);
    }
    return false;
}

std::string VSB_AddTrailingBackslash(const std::string& folder) {
    std::string result = WithoutTrailingSpace(folder);
    if (!EndsWithSeparator(result, VSB_PathSeparator())) result += VSB_PathSeparator();
    return result;
}

std::string VSB_StripTrailingBackslash(const std::string& folder) {
    return VSB_StripTrailingBackslash(folder, VSB_GetPathStyle());
}

std::string VSB_StripTrailingBackslash(const std::string& folder, VSB_PathStyle style) {
    std::string result = WithoutTrailingSpace(folder);
    const char separator = style == VSB_PATH_WINDOWS ? '\\' : '/';
    // A root keeps its separator: "C:\" (three characters) in Windows style, "/" natively.
    const std::size_t root_length = style == VSB_PATH_WINDOWS ? 3 : 1;
    if (EndsWithSeparator(result, separator) && result.size() > root_length) result.pop_back();
    return result;
}

std::string VSB_JoinPath(const std::string& folder, const std::string& name) {
    std::size_t skip = (!name.empty() && name[0] == VSB_PathSeparator()) ? 1 : 0;
    return VSB_AddTrailingBackslash(folder) + name.substr(skip);
}

std::string VSB_MakePath(const std::string& folder, const std::string& name,
                         const char* extension) {
    const unsigned int separator = static_cast<unsigned char>(VSB_PathSeparator());
    std::string kept = name;
    const char* second = SecondChar(name.c_str());
    const bool has_drive = IsWindowsStyle() && second != nullptr && *second == ':';
    if (VSB_IsAbsolutePath(name) || has_drive) {
        std::size_t cut = VSB_FindLastChar(name, separator);
        if (cut == std::string::npos && IsWindowsStyle()) cut = VSB_FindChar(name, ':');
        // A name such as "%TEMP%" has neither separator nor colon: it stays whole
        // instead of being cut at a position that does not exist.
        if (cut != std::string::npos) kept = name.substr(cut + 1);
    }
    std::string result = VSB_AddTrailingBackslash(folder) + kept;
    if (extension != nullptr) {
        if (extension[0] != '.') result += '.';
        result += extension;
    } else if (VSB_FindChar(kept, '.') == std::string::npos) {
        result += '.';
    }
    return result;
}

std::uint32_t VSB_SplitPath(const char* path, std::string* folder, std::string* name,
                            std::string* extension) {
    if (folder) folder->clear();
    if (name) name->clear();
    if (extension) extension->clear();
    if (path == nullptr || *path == '\0') return 0;

    const std::string text(path);
    std::size_t file_start = 0;
    if (VSB_IsUncPath(path) && CountSeparators(path) <= 3) {
        // \\server\share names a share, not a file in it.
        file_start = text.size();
    } else {
        std::size_t cut = VSB_FindLastChar(text, static_cast<unsigned char>(VSB_PathSeparator()));
        if (cut == std::string::npos && IsWindowsStyle()) cut = VSB_FindLastChar(text, ':');
        if (cut != std::string::npos) file_start = cut + 1;
    }
    const std::string dir_part = text.substr(0, file_start);
    const std::string file_part = text.substr(file_start);
    const std::size_t dot = VSB_FindLastChar(file_part, '.');
    const std::string name_part = file_part.substr(0, dot);
    const std::string ext_part = dot == std::string::npos ? std::string() : file_part.substr(dot);

    if (dir_part.size() > VSB_MAX_SPLIT_PART || name_part.size() > VSB_MAX_SPLIT_PART ||
        ext_part.size() > VSB_MAX_SPLIT_PART) {
        return 0;
    }
    std::uint32_t flags = 0;
    if (!ext_part.empty()) flags |= VSB_SPLIT_HAS_EXT;
    if (!name_part.empty()) flags |= VSB_SPLIT_HAS_NAME;
    if (!dir_part.empty()) flags |= VSB_SPLIT_HAS_DIR;
    if (VSB_FindChar(file_part, '*') != std::string::npos ||
        VSB_FindChar(file_part, '?') != std::string::npos) {
        flags |= VSB_SPLIT_WILDCARD;
    }
    if (folder) *folder = dir_part;
    if (name) *name = name_part;
    if (extension) *extension = ext_part;
    return flags;
}
