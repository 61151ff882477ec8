// FormatMessageA and LocalFree.
//
// Windows reads inserts from a va_list by position, which works there because
// every argument takes one pointer-sized slot. A Linux va_list can only be
// read in order and by type, so the template is read first: the format of
// each insert tells the type of its argument, the arguments are fetched in
// order, and only then is the text put together.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "message_template.h"
#include "printf_engine.h"
#include "system_messages.h"
#include "win32/format.h"
#include "win32/lasterror.h"
#include "win32/winerror.h"

namespace {

// One fetched insert, handed to the printf engine whatever it asks for.
class InsertValue : public win32::FormatArguments {
  public:
    explicit InsertValue(uint64_t value) : value_(value) {}
    uint32_t NextInt32() override { return static_cast<uint32_t>(value_); }
    uint64_t NextInt64() override { return value_; }
    const void* NextPointer() override {
        return reinterpret_cast<const void*>(static_cast<uintptr_t>(value_));
    }

  private:
    uint64_t value_;
};

// The inserts' values, indexed by insert number.
std::vector<uint64_t> FetchInserts(const std::vector<win32::ArgumentKind>& kinds,
                                   va_list* arguments, bool argument_array) {
    std::vector<uint64_t> values(kinds.size(), 0);
    if (argument_array) {
        // An array of pointer-sized values: strings as pointers, numbers as
        // numbers, one slot each.
        const auto* slots = reinterpret_cast<const uintptr_t*>(arguments);
        for (size_t i = 1; i < kinds.size(); ++i) values[i] = slots[i - 1];
        return values;
    }
    win32::VaListArguments args(*arguments);
    for (size_t i = 1; i < kinds.size(); ++i) {
        switch (kinds[i]) {
            case win32::ArgumentKind::kInt32:
                values[i] = args.NextInt32();
                break;
            case win32::ArgumentKind::kInt64:
                values[i] = args.NextInt64();
                break;
            case win32::ArgumentKind::kPointer:
            case win32::ArgumentKind::kNone:
                // An insert the template skips still has its argument in the
                // list; a pointer-sized step is the best guess of its size.
                values[i] = reinterpret_cast<uintptr_t>(args.NextPointer());
                break;
        }
    }
    return values;
}

bool IsEnglishOrNeutral(DWORD language) {
    WORD primary = static_cast<WORD>(language & 0x3FF);
    return language <= 0xFFFF && (primary == LANG_NEUTRAL || primary == 0x09 /* English */);
}

DWORD Fail(DWORD code) {
    SetLastError(code);
    return 0;
}

}  // namespace

extern "C" DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId,
                                DWORD dwLanguageId, LPSTR lpBuffer, DWORD nSize,
                                va_list* Arguments) {
    if (lpBuffer == nullptr) return Fail(ERROR_INVALID_PARAMETER);

    const char* source = nullptr;
    if (dwFlags & FORMAT_MESSAGE_FROM_STRING) {
        source = static_cast<const char*>(lpSource);
        if (source == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    } else if ((dwFlags & FORMAT_MESSAGE_FROM_HMODULE) && lpSource != nullptr) {
        // No module here carries a message table of its own.
        return Fail(ERROR_MR_MID_NOT_FOUND);
    } else if (dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) {
        if (!IsEnglishOrNeutral(dwLanguageId)) return Fail(ERROR_RESOURCE_LANG_NOT_FOUND);
        source = win32::SystemMessageText(dwMessageId);
        if (source == nullptr) return Fail(ERROR_MR_MID_NOT_FOUND);
    } else {
        return Fail(ERROR_INVALID_PARAMETER);
    }

    // Without arguments there is nothing to insert; the inserts stay as
    // written rather than reading arguments that are not there.
    bool keep_inserts = (dwFlags & FORMAT_MESSAGE_IGNORE_INSERTS) || Arguments == nullptr;
    // Any maximum width makes the template's own line breaks blanks; a width
    // below the mask's value also wraps the result at that many characters.
    DWORD max_width = dwFlags & FORMAT_MESSAGE_MAX_WIDTH_MASK;
    bool join_lines = max_width != 0;
    std::vector<win32::TemplatePiece> pieces;
    if (!win32::ParseTemplate(source, keep_inserts, join_lines, pieces)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    std::vector<uint64_t> inserts;
    if (!keep_inserts) {
        inserts = FetchInserts(win32::InsertKinds(pieces), Arguments,
                               (dwFlags & FORMAT_MESSAGE_ARGUMENT_ARRAY) != 0);
    }

    std::string text;
    for (const win32::TemplatePiece& piece : pieces) {
        if (piece.kind == win32::TemplatePiece::Kind::kStop) break;
        if (piece.kind == win32::TemplatePiece::Kind::kText) {
            text += piece.text;
            continue;
        }
        // The inserted value is copied as it is: a '%' inside a string insert
        // is never read as a directive.
        InsertValue value(inserts[static_cast<size_t>(piece.number)]);
        win32::Conversion conversion = win32::ParseConversion(piece.format);
        win32::AppendConversion(text, conversion, piece.format, value);
    }

    if (max_width != 0 && max_width != FORMAT_MESSAGE_MAX_WIDTH_MASK) {
        text = win32::WrapLines(text, max_width);
    }

    DWORD length = static_cast<DWORD>(text.size());
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        size_t bytes = std::max<size_t>(text.size() + 1, nSize);
        char* allocated = static_cast<char*>(std::malloc(bytes));
        if (allocated == nullptr) return Fail(ERROR_NOT_ENOUGH_MEMORY);
        std::memcpy(allocated, text.c_str(), text.size() + 1);
        *reinterpret_cast<char**>(lpBuffer) = allocated;
        return length;
    }
    if (text.size() + 1 > nSize) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(lpBuffer, text.c_str(), text.size() + 1);
    return length;
}

extern "C" HLOCAL LocalFree(HLOCAL hMem) {
    // Every buffer handed out as "local memory" here comes from malloc.
    std::free(hMem);
    return nullptr;
}
