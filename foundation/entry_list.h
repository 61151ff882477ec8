// CEntryList: an owning list of entries (CEntry) with named columns. The
// installer layer's table view and the viewer's change list are built on it.
//
// Ownership is CObListEx's: entries added are deleted by RemoveAll,
// RemoveAndDelete and the destructor. Only entries belong in the list; the
// text operations skip any node that holds no entry.
//
// Columns: the list starts with four empty column names (indices 0 to 3) and
// a column count of 0; setting a name makes the count cover it.
//
// Text form (ParseText, WriteText): one record per entry, fields cut by a
// separator. Separator 0 is a list of zero-terminated strings ended by an
// empty one; that form cannot hold an empty field, and WriteText ends every
// entry with an empty string, so it reads back whole only with one column.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "entry.h"
#include "mbc_string_array.h"
#include "ob_list_ex.h"

class CEntryList : public CObListEx {
    DECLARE_SERIAL(CEntryList)
  public:
    explicit CEntryList(INT_PTR block_size = 10);
    ~CEntryList() override = default;

    // A new, empty entry of the list's own kind, or nullptr; the caller owns it.
    // The base makes none, so only subclasses can parse text.
    virtual CEntry* CreateEntry() { return nullptr; }

    // Reads entries from `text` (see entry_list_text.cpp for the rules) and
    // adds them; returns the number of entries in the list afterwards. A
    // `columns` of -1 means GetColumnCount(). A record the text ends before
    // completing is not added.
    virtual int ParseText(const char* text, char separator, int columns);

    // The first entry whose field `column` (for column >= 0), or whose column
    // text `column + 1` (for column < 0: -1 is column text 0), equals `text`
    // without regard to ASCII case; nullptr when there is none.
    virtual CEntry* FindEntry(const char* text, int column);

    // The name of column `index`; empty for an index that has no name.
    virtual std::string GetColumnName(int index) const;

    // Writes every entry's column texts into `buffer`, separated by
    // `separator`, each entry ended by "\r\n" (several columns and a
    // separator) or by the separator once, the whole ended by a zero byte.
    // `size` is the buffer's size on the way in and the size needed on the
    // way out; false, with nothing written, when the buffer is too small.
    virtual bool WriteText(char* buffer, std::size_t& size, char separator, int columns);
    // The text WriteText writes, without its final zero byte (with separator
    // 0 it holds the zero bytes that end each field).
    virtual std::string GetText(char separator, int columns);
    // The buffer size WriteText needs, zero byte included.
    virtual std::size_t GetTextLength(char separator, int columns);

    virtual int GetColumnCount() const { return m_nColumnCount; }

    // Appends the entry; from now on the list owns it. The base accepts every
    // entry; a subclass may refuse one (false), and the caller keeps it then.
    virtual bool AddEntry(CEntry* entry);

    // Sets the name of column `index`, growing the name array; the column
    // count becomes at least index + 1, which is returned. A negative index is
    // refused and returns 0.
    virtual int SetColumnName(int index, const std::string& name);
    virtual int SetColumnName(int index, const char* name);

    // Stores what CObListEx stores, then the column count and the names.
    void Serialize(CArchive& ar) override;

  protected:
    // The number of columns a text operation works on.
    int ColumnsOrCount(int columns) const { return columns < 0 ? GetColumnCount() : columns; }

    // Writes the text form into a buffer of `size` bytes, never beyond it;
    // returns the bytes written (zero byte included), or npos when they did not fit.
    std::size_t WriteEntries(char* buffer, std::size_t size, char separator, int columns);

    int m_nColumnCount = 0;
    CMbcStringArray m_saColumnNames;
};
