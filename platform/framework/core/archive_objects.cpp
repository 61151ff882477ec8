// CArchive's storing and loading of whole objects. They call the objects'
// virtual functions, so they live apart from the archive's bytes and values
// (archive.cpp), which know nothing of objects: the object side includes the
// archive, never the other way round.
#include <memory>

#include "core/archive.h"
#include "core/exceptions.h"
#include "core/object.h"

namespace {

// Class names are identifiers; anything longer than this in an archive is
// damage, not a class we could know.
constexpr size_t kMaxClassNameLength = 255;

// Restores the schema of an enclosing ReadObject when a nested one ends, also
// when the nested Serialize throws.
class SchemaScope {
  public:
    SchemaScope(uint32_t& slot, uint32_t schema) : slot_(slot), saved_(slot) { slot_ = schema; }
    ~SchemaScope() { slot_ = saved_; }
    SchemaScope(const SchemaScope&) = delete;
    SchemaScope& operator=(const SchemaScope&) = delete;

  private:
    uint32_t& slot_;
    uint32_t saved_;
};

uint32_t ReadUint32(CArchive& ar) {
    uint32_t value = 0;
    ar >> value;
    return value;
}

}  // namespace

void CArchive::WriteObject(const CObject* object) {
    RequireStoring();
    if (object == nullptr) {
        *this << kNullTag;
        return;
    }
    const CRuntimeClass* record = object->GetRuntimeClass();
    if (!record->IsSerializable()) {
        AfxThrowArchiveException(
            CArchiveException::badClass, file_name_,
            std::string("Class ") + record->m_lpszClassName + " cannot be stored.");
    }
    *this << kObjectTag << std::string(record->m_lpszClassName)
          << static_cast<uint32_t>(record->m_wSchema & ~VERSIONABLE_SCHEMA);
    // Serialize is not const, but storing reads the object only; the const
    // pointer states that to the caller.
    const_cast<CObject*>(object)->Serialize(*this);
}

CObject* CArchive::ReadObject(const CRuntimeClass* required) {
    uint8_t tag = 0;
    *this >> tag;
    if (tag == kNullTag) return nullptr;
    if (tag != kObjectTag) {
        // Not something WriteObject wrote: a foreign file or an archive read
        // out of step with how it was stored.
        AfxThrowArchiveException(CArchiveException::badClass, file_name_, "No object starts here.");
    }

    uint32_t name_length = ReadUint32(*this);
    if (name_length == 0 || name_length > kMaxClassNameLength) {
        AfxThrowArchiveException(CArchiveException::badClass, file_name_,
                                 "The class name has an impossible length.");
    }
    RequireLoading(name_length);
    std::string class_name(buffer_.data() + read_pos_, name_length);
    read_pos_ += name_length;
    uint32_t stored_schema = ReadUint32(*this);

    const CRuntimeClass* record = CRuntimeClass::FromName(class_name);
    if (record == nullptr || !record->IsSerializable()) {
        AfxThrowArchiveException(CArchiveException::badClass, file_name_,
                                 "Unknown class " + class_name + ".");
    }
    if (required != nullptr && !record->IsDerivedFrom(required)) {
        AfxThrowArchiveException(
            CArchiveException::badClass, file_name_,
            "Found " + class_name + " where a " + required->m_lpszClassName + " was expected.");
    }
    bool versionable = (record->m_wSchema & VERSIONABLE_SCHEMA) != 0;
    if (!versionable && stored_schema != record->m_wSchema) {
        AfxThrowArchiveException(
            CArchiveException::badSchema, file_name_,
            class_name + " stored with schema " + std::to_string(stored_schema) + ".");
    }

    std::unique_ptr<CObject> object(record->CreateObject());
    if (!object) AfxThrowMemoryException();
    {
        SchemaScope scope(object_schema_, stored_schema);
        object->Serialize(*this);
    }
    return object.release();  // ownership passes to the caller
}

CObject* fw::ReadArchivedObject(CArchive& ar, const CRuntimeClass* required) {
    return ar.ReadObject(required);
}
