#include "storage/entry_name.h"

#include <locale.h>
#include <wctype.h>

#include <string>

#include "storage/directory_entry.h"

namespace msi::storage {

namespace {

// The C.UTF-8 locale carries the Unicode simple case mappings whatever the
// process's own locale is. Should it be missing, ASCII letters are still
// folded, which covers every name the installer itself makes.
locale_t UnicodeLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
    return locale;
}

}  // namespace

char16_t SimpleUpperCase(char16_t unit) {
    if (unit < 0x80) return (unit >= u'a' && unit <= u'z') ? char16_t(unit - 0x20) : unit;
    if (unit >= 0xD800 && unit <= 0xDFFF) return unit;
    const locale_t locale = UnicodeLocale();
    if (locale == locale_t(0)) return unit;
    const wint_t upper = towupper_l(wint_t(unit), locale);
    // A mapping that leaves the basic plane would not fit one code unit.
    return upper <= 0xFFFF ? char16_t(upper) : unit;
}

int CompareEntryNames(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < a.size(); ++i) {
        const char16_t ua = SimpleUpperCase(a[i]);
        const char16_t ub = SimpleUpperCase(b[i]);
        if (ua != ub) return ua < ub ? -1 : 1;
    }
    return 0;
}

std::string NameForMessage(std::u16string_view name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char16_t unit : name) {
        if (unit >= 0x20 && unit < 0x7F) {
            out += char(unit);
        } else {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
        }
    }
    return out;
}

Status CheckEntryName(std::u16string_view name) {
    if (name.empty()) return Status::InvalidArgument("storage or stream name is empty");
    if (name.size() > kMaxNameUnits) {
        return Status::InvalidArgument("storage or stream name has " + std::to_string(name.size()) +
                                       " code units, at most 31 fit");
    }
    for (char16_t unit : name) {
        if (unit == 0 || unit == u'/' || unit == u'\\' || unit == u':' || unit == u'!') {
            return Status::InvalidArgument("storage or stream name contains the character " +
                                           std::to_string(unsigned(unit)) +
                                           ", which names may not hold");
        }
    }
    return Status::Ok();
}

}  // namespace msi::storage
