// The process's ANSI code page and conversion between code pages.
//
// The process code page is one value shared with the multibyte functions of
// mbstring.h (_setmbcp changes it as well), so the two views never disagree.
#include "win32/codepage.h"

#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <deque>
#include <iterator>
#include <string>

#include "code_page_internal.h"

namespace win32 {
namespace {

std::atomic<UINT> g_process_code_page{CP_UTF8};

struct CodePageName {
    UINT code_page;
    const char* iconv_name;
    // Every byte below 0x80 is the ASCII character of that value, so ASCII
    // text reads and writes as itself. Known here rather than asked of iconv,
    // because asking loads the page's conversion module, and most packages
    // hold nothing but ASCII and never need it. UTF-16 and UTF-32 spell ASCII
    // in wider units, UTF-7 gives '+' a meaning, ISO-2022-JP the escape byte.
    bool ascii_is_itself;
};

// Windows code page numbers and the names glibc's iconv knows them by
// (`iconv -l`), sorted by number. The CPnnnn modules of glibc are Microsoft's
// tables, including the vendor extensions (0x80 as the euro sign in 1252,
// NEC/IBM rows in 932).
constexpr CodePageName kCodePageNames[] = {
    {437, "CP437", true},         {850, "CP850", true},         {852, "CP852", true},
    {866, "CP866", true},         {874, "CP874", true},         {932, "CP932", true},
    {936, "CP936", true},         {949, "CP949", true},         {950, "CP950", true},
    {1200, "UTF-16LE", false},    {1201, "UTF-16BE", false},    {1250, "CP1250", true},
    {1251, "CP1251", true},       {1252, "CP1252", true},       {1253, "CP1253", true},
    {1254, "CP1254", true},       {1255, "CP1255", true},       {1256, "CP1256", true},
    {1257, "CP1257", true},       {1258, "CP1258", true},       {10000, "MACINTOSH", true},
    {12000, "UTF-32LE", false},   {12001, "UTF-32BE", false},   {20127, "US-ASCII", true},
    {20866, "KOI8-R", true},      {20932, "EUC-JP", true},      {21866, "KOI8-U", true},
    {28591, "ISO-8859-1", true},  {28592, "ISO-8859-2", true},  {28593, "ISO-8859-3", true},
    {28594, "ISO-8859-4", true},  {28595, "ISO-8859-5", true},  {28596, "ISO-8859-6", true},
    {28597, "ISO-8859-7", true},  {28598, "ISO-8859-8", true},  {28599, "ISO-8859-9", true},
    {28603, "ISO-8859-13", true}, {28605, "ISO-8859-15", true}, {50220, "ISO-2022-JP", false},
    {51932, "EUC-JP", true},      {51936, "EUC-CN", true},      {51949, "EUC-KR", true},
    {54936, "GB18030", true},     {65000, "UTF-7", false},      {65001, "UTF-8", true},
};

const CodePageName* FindCodePage(UINT code_page) {
    static_assert(std::is_sorted(
        std::begin(kCodePageNames), std::end(kCodePageNames),
        [](const CodePageName& a, const CodePageName& b) { return a.code_page < b.code_page; }));
    const CodePageName* it = std::lower_bound(
        std::begin(kCodePageNames), std::end(kCodePageNames), code_page,
        [](const CodePageName& entry, UINT page) { return entry.code_page < page; });
    return it != std::end(kCodePageNames) && it->code_page == code_page ? it : nullptr;
}

UINT Resolve(UINT code_page) {
    return code_page == CP_ACP ? ProcessCodePage() : code_page;
}

// Whether a converter maps every byte below 0x80 to itself, asked of iconv
// once with the whole range, so that text of such bytes alone can be copied.
// Pages where that fails (UTF-16, UTF-7's '+') simply always go through iconv.
bool MapsAsciiToItself(iconv_t cd) {
    char ascii[0x80];
    for (int c = 0; c < 0x80; ++c) ascii[c] = static_cast<char>(c);
    char out[sizeof ascii + 16];
    char* in_ptr = ascii;
    size_t in_left = sizeof ascii;
    char* out_ptr = out;
    size_t out_left = sizeof out;
    const bool converted = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != size_t(-1) &&
                           iconv(cd, nullptr, nullptr, &out_ptr, &out_left) != size_t(-1);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return converted && out_ptr - out == sizeof ascii && std::memcmp(out, ascii, sizeof ascii) == 0;
}

// Windows' single-byte ANSI pages leave a few bytes of 0x80-0x9F without a
// character (0x81, 0x8D, 0x8F, 0x90 and 0x9D in 1252). Windows reads each
// such byte as the C1 control of the same value and writes that control back
// as the byte, so text holding them survives a round trip; glibc's tables
// refuse them. These are the pages read so; their gaps outside 0x80-0x9F
// (0xAA in 1253, 0xDB in 874) stay refused.
constexpr UINT kSingleBytePages[] = {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};
constexpr unsigned char kFirstC1 = 0x80;
constexpr unsigned char kLastC1 = 0x9F;

// Bit (b - 0x80) set for each byte b of 0x80-0x9F iconv refuses in a page
// of kSingleBytePages, asked once with each byte alone; 0 for other pages.
uint32_t UndefinedC1Bytes(UINT code_page) {
    if (std::find(std::begin(kSingleBytePages), std::end(kSingleBytePages), code_page) ==
        std::end(kSingleBytePages))
        return 0;
    iconv_t cd = iconv_open("UTF-8", IconvNameOfCodePage(code_page));
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
    uint32_t undefined = 0;
    for (unsigned b = kFirstC1; b <= kLastC1; ++b) {
        char byte = static_cast<char>(b);
        char out[8];
        char* in_ptr = &byte;
        size_t in_left = 1;
        char* out_ptr = out;
        size_t out_left = sizeof out;
        if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == size_t(-1) && errno == EILSEQ)
            undefined |= 1u << (b - kFirstC1);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return undefined;
}

struct Converter {
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
    bool ascii_passes = false;
    // The gaps of each side (UndefinedC1Bytes), and whether a side is UTF-8:
    // the forms a C1 control takes where iconv refuses it.
    uint32_t from_gaps = 0;
    uint32_t to_gaps = 0;
    bool from_utf8 = false;
    bool to_utf8 = false;
};

// iconv_open loads a conversion module and builds tables; the engine converts
// many short strings, so each thread keeps the descriptors it has opened,
// found by the pair of (resolved) code pages. A process uses one or two pairs.
class ConverterCache {
  public:
    ~ConverterCache() {
        for (auto& entry : converters_)
            if (entry.converter.cd != reinterpret_cast<iconv_t>(-1))
                iconv_close(entry.converter.cd);
    }

    // The converter between two pages; its cd is (iconv_t)-1 when iconv
    // cannot convert between them. Its shift state is whatever the last
    // conversion left.
    const Converter& Get(UINT from, UINT to) {
        Entry* entry = nullptr;
        for (Entry& e : converters_)
            if (e.from == from && e.to == to) entry = &e;
        if (entry == nullptr) {
            Entry fresh{from, to, {}};
            const char* from_name = IconvNameOfCodePage(from);
            const char* to_name = IconvNameOfCodePage(to);
            if (from_name != nullptr && to_name != nullptr) {
                fresh.converter.cd = iconv_open(to_name, from_name);
                if (fresh.converter.cd != reinterpret_cast<iconv_t>(-1)) {
                    fresh.converter.ascii_passes = MapsAsciiToItself(fresh.converter.cd);
                    fresh.converter.from_gaps = UndefinedC1Bytes(from);
                    fresh.converter.to_gaps = UndefinedC1Bytes(to);
                    fresh.converter.from_utf8 = from == CP_UTF8;
                    fresh.converter.to_utf8 = to == CP_UTF8;
                }
            }
            entry = &converters_.emplace_back(fresh);
        }
        return entry->converter;
    }

  private:
    struct Entry {
        UINT from;
        UINT to;
        Converter converter;
    };
    std::deque<Entry> converters_;  // stable addresses while entries are added
};

const Converter& OpenConverter(UINT from, UINT to) {
    thread_local ConverterCache cache;
    return cache.Get(Resolve(from), Resolve(to));
}

}  // namespace

const char* IconvNameOfCodePage(UINT code_page) {
    const CodePageName* entry = FindCodePage(Resolve(code_page));
    return entry ? entry->iconv_name : nullptr;
}

bool IsKnownCodePage(UINT code_page) {
    const char* name = IconvNameOfCodePage(code_page);
    if (name == nullptr) return false;
    return OpenConverter(code_page, CP_UTF8).cd != reinterpret_cast<iconv_t>(-1) &&
           OpenConverter(CP_UTF8, code_page).cd != reinterpret_cast<iconv_t>(-1);
}

bool CodePagesShareAscii(UINT from_cp, UINT to_cp) {
    // Asked for every string a database reads, nearly always of one pair.
    struct Answer {
        UINT from = 0;
        UINT to = 0;
        bool shared = false;
    };
    thread_local Answer last;
    from_cp = Resolve(from_cp);
    to_cp = Resolve(to_cp);
    if (last.from == from_cp && last.to == to_cp) return last.shared;
    const CodePageName* from = FindCodePage(from_cp);
    const CodePageName* to = FindCodePage(to_cp);
    const bool shared = (from && to && from->ascii_is_itself && to->ascii_is_itself) ||
                        OpenConverter(from_cp, to_cp).ascii_passes;
    last = Answer{from_cp, to_cp, shared};
    return shared;
}

bool SetProcessCodePage(UINT code_page) {
    // ANSI strings are byte strings ending in one NUL byte; the UTF-16 and
    // UTF-32 pages cannot be that, and UTF-7 is no ANSI page either.
    if (code_page == 1200 || code_page == 1201 || code_page == 12000 || code_page == 12001 ||
        code_page == 65000) {
        return false;
    }
    if (code_page == CP_ACP || !IsKnownCodePage(code_page)) return false;
    g_process_code_page.store(code_page);
    return true;
}

UINT ProcessCodePage() {
    return g_process_code_page.load();
}

namespace {

bool HasGap(uint32_t gaps, unsigned char byte) {
    return byte >= kFirstC1 && byte <= kLastC1 && ((gaps >> (byte - kFirstC1)) & 1) != 0;
}

// Where iconv stopped at `in` with EILSEQ: when the sequence there is a C1
// control in a form the source page gives it (a gap byte, or UTF-8) and the
// target page has a form for it, appends that form to `out` and returns how
// many input bytes it took; 0 otherwise.
size_t ConvertC1Control(const Converter& converter, const unsigned char* in, size_t in_left,
                        std::string& out, size_t& produced) {
    unsigned char control = 0;
    size_t taken = 0;
    if (in_left >= 1 && HasGap(converter.from_gaps, in[0])) {
        control = in[0];
        taken = 1;
    } else if (converter.from_utf8 && in_left >= 2 && in[0] == 0xC2 && in[1] >= kFirstC1 &&
               in[1] <= kLastC1) {
        control = in[1];
        taken = 2;
    } else {
        return 0;
    }
    char form[2];
    size_t length = 0;
    if (converter.to_utf8) {
        form[length++] = static_cast<char>(0xC2);
        form[length++] = static_cast<char>(control);
    } else if (HasGap(converter.to_gaps, control)) {
        form[length++] = static_cast<char>(control);
    } else {
        return 0;
    }
    if (out.size() - produced < length) out.resize(out.size() * 2 + length);
    std::memcpy(out.data() + produced, form, length);
    produced += length;
    return taken;
}

}  // namespace

bool ConvertCodePage(std::string_view in, UINT from_cp, UINT to_cp, std::string& out) {
    out.clear();
    const Converter& converter = OpenConverter(from_cp, to_cp);
    iconv_t cd = converter.cd;
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial shift state

    // Most conversions stay within twice the input; grow when they do not.
    std::string buffer(in.size() * 2 + 16, '\0');
    size_t produced = 0;
    char* in_ptr = const_cast<char*>(in.data());  // iconv's signature, never written
    size_t in_left = in.size();
    bool ok = true;
    // One round of iconv into the free part of the buffer; a null input
    // flushes a stateful encoding's closing shift sequence.
    auto convert = [&](bool flush) {
        for (;;) {
            char* out_ptr = buffer.data() + produced;
            size_t out_left = buffer.size() - produced;
            size_t rc = flush ? iconv(cd, nullptr, nullptr, &out_ptr, &out_left)
                              : iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
            produced = static_cast<size_t>(out_ptr - buffer.data());
            if (rc != static_cast<size_t>(-1)) return true;
            if (errno == E2BIG) {
                buffer.resize(buffer.size() * 2);
                continue;
            }
            if (errno != EILSEQ || flush) return false;
            const size_t taken =
                ConvertC1Control(converter, reinterpret_cast<const unsigned char*>(in_ptr), in_left,
                                 buffer, produced);
            if (taken == 0) return false;
            in_ptr += taken;
            in_left -= taken;
        }
    };
    // EILSEQ: a sequence that is invalid in the source or has no equivalent in
    // the target (a C1 control in a page's gap aside); EINVAL: the text ends
    // inside a sequence. We never substitute, because a silent '?' would
    // change the data.
    if (in_left > 0) ok = convert(false);
    if (ok) ok = convert(true);
    buffer.resize(produced);
    out = std::move(buffer);
    return ok;
}

}  // namespace win32

extern "C" UINT GetACP(void) {
    return win32::ProcessCodePage();
}
