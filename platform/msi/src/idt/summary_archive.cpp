#include "idt/summary_archive.h"

#include <cstdio>
#include <variant>

#include "db/summary_info.h"
#include "idt/archive_header.h"
#include "idt/control_chars.h"
#include "idt/integer_text.h"

namespace msi::idt {

namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kSecondsPerDay = 86'400;
// Days from 1601-01-01 (the FILETIME epoch) to 1970-01-01.
constexpr int64_t kEpochDays1601 = 134'774;

// Civil date <-> days since 1970-01-01 in the proleptic Gregorian calendar,
// counted in 400-year eras of 146,097 days so that no table of month lengths
// is needed beyond the shifted year that starts in March.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
}

bool IsLeap(int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned DaysInMonth(int64_t y, unsigned m) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Reads exactly `digits` decimal digits at `pos`.
bool ReadNumber(std::string_view text, size_t& pos, size_t digits, unsigned& out) {
    if (pos + digits > text.size()) return false;
    out = 0;
    for (size_t i = 0; i < digits; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9') return false;
        out = out * 10 + unsigned(c - '0');
    }
    pos += digits;
    return true;
}

// One or two colons between time fields (see the header comment).
bool ReadColon(std::string_view text, size_t& pos) {
    if (pos >= text.size() || text[pos] != ':') return false;
    ++pos;
    if (pos < text.size() && text[pos] == ':') ++pos;
    return true;
}

bool ReadChar(std::string_view text, size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

}  // namespace

std::string FormatFileTime(format::FileTime time) {
    const int64_t seconds = static_cast<int64_t>(time.ticks / kTicksPerSecond);
    int64_t days = seconds / kSecondsPerDay;
    const int64_t rest = seconds % kSecondsPerDay;
    int64_t y;
    unsigned m, d;
    CivilFromDays(days - kEpochDays1601, y, m, d);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04lld/%02u/%02u %02u:%02u:%02u", static_cast<long long>(y), m,
                  d, unsigned(rest / 3600), unsigned(rest / 60 % 60), unsigned(rest % 60));
    return buf;
}

Result<format::FileTime> ParseFileTime(std::string_view text) {
    size_t pos = 0;
    unsigned y, mo, d, h, mi, s;
    const bool shaped =
        ReadNumber(text, pos, 4, y) && ReadChar(text, pos, '/') && ReadNumber(text, pos, 2, mo) &&
        ReadChar(text, pos, '/') && ReadNumber(text, pos, 2, d) && ReadChar(text, pos, ' ') &&
        ReadNumber(text, pos, 2, h) && ReadColon(text, pos) && ReadNumber(text, pos, 2, mi) &&
        ReadColon(text, pos) && ReadNumber(text, pos, 2, s) && pos == text.size();
    if (!shaped) return Status::InvalidArgument("a time reads YYYY/MM/DD hh:mm:ss");
    if (y < 1601 || mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo) || h > 23 || mi > 59 ||
        s > 59)
        return Status::InvalidArgument("no such date or time");
    const int64_t days = DaysFromCivil(y, mo, d) + kEpochDays1601;
    const int64_t seconds = days * kSecondsPerDay + h * 3600 + mi * 60 + s;
    return format::FileTime{static_cast<uint64_t>(seconds) * kTicksPerSecond};
}

std::string FormatSummaryArchive(const format::SummaryPropertySet& set) {
    std::string out = "PropertyId\tValue\r\ni2\tl255\r\n_SummaryInformation\tPropertyId\r\n";
    for (const auto& [pid, value] : set.properties) {
        if (std::holds_alternative<std::monostate>(value)) continue;
        out += std::to_string(pid);
        out += '\t';
        if (const auto* i2 = std::get_if<int16_t>(&value))
            out +=
                pid == format::kPidCodepage ? std::to_string(uint16_t(*i2)) : std::to_string(*i2);
        if (const auto* i4 = std::get_if<int32_t>(&value)) out += std::to_string(*i4);
        if (const auto* str = std::get_if<std::string>(&value)) AppendEscaped(*str, out);
        if (const auto* ft = std::get_if<format::FileTime>(&value)) out += FormatFileTime(*ft);
        out += "\r\n";
    }
    return out;
}

Result<format::SummaryPropertySet> ReadSummaryRows(TextSource& source) {
    format::SummaryPropertySet set;
    std::string line;
    for (;;) {
        auto got = source.ReadLine(line);
        if (!got.ok()) return got.status();
        if (!*got) return set;
        if (line.empty()) continue;
        const auto fields = SplitFields(line);
        if (fields.size() != 2) return source.Error("a summary row has two fields");
        auto pid = ParseInteger(fields[0], 4);
        if (!pid.ok() || *pid < 0) return source.Error("invalid property id");
        const uint32_t id = static_cast<uint32_t>(*pid);
        const uint32_t type = db::SummaryInfo::TypeOf(id);
        if (type == format::kVtEmpty)
            return source.Error("property " + std::to_string(id) + " is not a summary property");
        if (set.properties.count(id))
            return source.Error("property " + std::to_string(id) + " appears twice");
        const std::string value = Unescape(fields[1]);
        // An empty string is a property that is present and empty (packages
        // carry such titles); an empty number or time is an absent property.
        if (value.empty() && type != format::kVtLpstr) continue;
        switch (type) {
            case format::kVtI2: {
                auto v = ParseInteger(value, id == format::kPidCodepage ? 4 : 2);
                if (!v.ok()) return source.Error(v.status().message());
                if (id == format::kPidCodepage && (*v < INT16_MIN || *v > UINT16_MAX))
                    return source.Error("a code page is a number from 0 to 65535");
                set.properties[id] = static_cast<int16_t>(static_cast<uint16_t>(*v));
                break;
            }
            case format::kVtI4: {
                auto v = ParseInteger(value, 4);
                if (!v.ok()) return source.Error(v.status().message());
                set.properties[id] = static_cast<int32_t>(*v);
                break;
            }
            case format::kVtFiletime: {
                auto v = ParseFileTime(value);
                if (!v.ok()) return source.Error(v.status().message());
                set.properties[id] = *v;
                break;
            }
            default:
                set.properties[id] = value;
                break;
        }
    }
}

}  // namespace msi::idt
