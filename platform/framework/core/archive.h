// CArchive: stores values and objects into a byte buffer (or a file) and loads
// them back.
//
// Byte layout (all integers little-endian, whatever the host):
//   fixed-width integers    their own width (bool is one byte, 0 or 1)
//   float / double          the IEEE bits as a 4- / 8-byte integer
//   std::string             byte count (4 bytes) then the bytes, no terminator
//   count (WriteCount)      4 bytes
//   object (WriteObject)    tag byte: kNullTag (0x00) for a null object, or
//                           kObjectTag (0x4F) then the class name as a string,
//                           the schema (4 bytes, without VERSIONABLE_SCHEMA),
//                           then whatever the object's Serialize writes
//   WriteString text        the bytes as they are (for line-oriented text)
// There is no file header: an archive is exactly the sequence of what was
// written, so a class's Serialize can be embedded in any other.
//
// An object written twice is loaded as two objects; the archive keeps no table
// of objects already seen.
//
// Loading never trusts the data: reading past the end, an unknown class, a
// class that cannot be created, a schema the class cannot read, or a count
// larger than the remaining bytes could hold all throw CArchiveException.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CObject;
struct CRuntimeClass;

class CArchive {
  public:
    enum Mode { store = 0, load = 1 };

    static constexpr uint8_t kNullTag = 0x00;
    static constexpr uint8_t kObjectTag = 0x4F;

    // An archive that stores into an empty memory buffer (see Buffer()).
    static CArchive Storing();
    // An archive that loads from `bytes`.
    static CArchive Loading(std::string bytes);
    // An archive that stores into memory and writes `path` on Close().
    static CArchive StoringToFile(std::string path);
    // An archive that loads the whole of `path`; throws CFileException when
    // the file cannot be read.
    static CArchive LoadingFromFile(const std::string& path);

    CArchive(CArchive&&) = default;
    CArchive& operator=(CArchive&&) = default;
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;
    // Writes nothing: a file archive that is dropped without Close() (for
    // example while an exception unwinds) leaves the file as it was.
    ~CArchive() = default;

    bool IsStoring() const { return mode_ == store; }
    bool IsLoading() const { return mode_ == load; }

    // Storing to a file: writes the buffer to a temporary file beside the
    // target and renames it into place, so a failure never leaves a
    // half-written file; throws CFileException. Otherwise does nothing.
    // The archive takes no more values after Close().
    void Close();

    // The bytes stored so far (storing) or the bytes being loaded.
    const std::string& Buffer() const { return buffer_; }
    // Loading: the bytes not yet read.
    size_t Remaining() const { return buffer_.size() - read_pos_; }
    // The file name given to a file archive, else empty.
    const std::string& GetFileName() const { return file_name_; }

    CArchive& operator<<(bool value);
    CArchive& operator<<(int8_t value);
    CArchive& operator<<(uint8_t value);
    CArchive& operator<<(int16_t value);
    CArchive& operator<<(uint16_t value);
    CArchive& operator<<(int32_t value);
    CArchive& operator<<(uint32_t value);
    CArchive& operator<<(int64_t value);
    CArchive& operator<<(uint64_t value);
    CArchive& operator<<(float value);
    CArchive& operator<<(double value);
    CArchive& operator<<(const std::string& value);
    CArchive& operator<<(const char* value);  // stored as a std::string; null as ""
    CArchive& operator<<(const CObject* object) {
        WriteObject(object);
        return *this;
    }

    CArchive& operator>>(bool& value);
    CArchive& operator>>(int8_t& value);
    CArchive& operator>>(uint8_t& value);
    CArchive& operator>>(int16_t& value);
    CArchive& operator>>(uint16_t& value);
    CArchive& operator>>(int32_t& value);
    CArchive& operator>>(uint32_t& value);
    CArchive& operator>>(int64_t& value);
    CArchive& operator>>(uint64_t& value);
    CArchive& operator>>(float& value);
    CArchive& operator>>(double& value);
    CArchive& operator>>(std::string& value);
    // Any object; the caller owns it. Classes with DECLARE_SERIAL also get a
    // typed form that checks the class.
    CArchive& operator>>(CObject*& object) {
        object = ReadObject(nullptr);
        return *this;
    }

    // Writes the object's class name and schema and then lets the object
    // serialise itself; a null object is allowed. Throws CArchiveException
    // (badClass) for an object whose class is not serialisable.
    void WriteObject(const CObject* object);
    // Reads what WriteObject wrote: creates the object by its class name,
    // checks the schema and lets the object load itself. Returns nullptr for a
    // stored null object; the caller owns the object. With `required` set, an
    // object of another class is refused (badClass) and deleted.
    CObject* ReadObject(const CRuntimeClass* required);
    // Inside Serialize while loading: the schema the object was stored with
    // (for VERSIONABLE_SCHEMA classes); 0xFFFFFFFF outside ReadObject.
    uint32_t GetObjectSchema() const { return object_schema_; }

    // Element counts of collections. ReadCount refuses a count that cannot be
    // real because the remaining bytes could not hold that many elements of at
    // least `min_element_bytes` each (a foreign or damaged archive must not make
    // us allocate gigabytes).
    void WriteCount(uint32_t count);
    uint32_t ReadCount(size_t min_element_bytes);

    // Line-oriented text: WriteString writes the bytes unchanged (callers end
    // their lines with "\r\n" themselves). ReadString reads one line and drops
    // its line break ("\n" or "\r\n"); false when no bytes are left.
    void WriteString(const std::string& text);
    bool ReadString(std::string& line);

    // Raw bytes, for classes that store fixed-size blocks.
    void Write(const void* data, size_t size);
    void Read(void* data, size_t size);

  private:
    CArchive(Mode mode, std::string bytes, std::string file_name);
    void RequireStoring() const;
    void RequireLoading(size_t size) const;
    template <typename T>
    void PutLittleEndian(T value);
    template <typename T>
    T GetLittleEndian();

    Mode mode_;
    std::string buffer_;
    size_t read_pos_ = 0;
    std::string file_name_;
    bool closed_ = false;
    uint32_t object_schema_ = 0xFFFFFFFFu;
};
