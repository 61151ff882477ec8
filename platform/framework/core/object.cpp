#include "core/object.h"

#include <ostream>

// CObject is the end of every base-class chain, so its record has no base and
// is written out by hand instead of through IMPLEMENT_DYNAMIC.
constinit const CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)),
                                                       kNoSchema, nullptr, nullptr};

namespace {
const fw::ClassRegistration vsb_registration_CObject(&CObject::classCObject);
}  // namespace

const CRuntimeClass* CObject::GetRuntimeClass() const {
    return &classCObject;
}

void CObject::Serialize(CArchive& /*ar*/) {}

void CObject::AssertValid() const {}

void CObject::Dump(CDumpContext& dc) const {
    dc << "a " << GetRuntimeClass()->m_lpszClassName << " at " << static_cast<const void*>(this);
}

bool CObject::IsKindOf(const CRuntimeClass* run_time_class) const {
    return GetRuntimeClass()->IsDerivedFrom(run_time_class);
}

bool CObject::IsSerializable() const {
    return GetRuntimeClass()->IsSerializable();
}
