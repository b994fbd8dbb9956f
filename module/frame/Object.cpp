// The root object class and run-time class records.
#include <cstring>

#include <kelvane/kvframe.h>

CRuntimeClass CObject::classCObject = {
    "CObject", sizeof(CObject), 0xFFFF, nullptr, nullptr, nullptr};

CRuntimeClass* CObject::GetRuntimeClass() const { return RUNTIME_CLASS(CObject); }

CObject::~CObject() = default;

void CObject::Serialize(CArchive&) {}

void CObject::AssertValid() const {}

void CObject::Dump(CDumpContext&) const {}

bool CObject::IsKindOf(const CRuntimeClass* pClass) const {
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
    for (const CRuntimeClass* c = this; c != nullptr;
         c = c->m_pfnGetBaseClass != nullptr ? c->m_pfnGetBaseClass() : nullptr) {
        if (c == pBaseClass) return true;
    }
    return false;
}

namespace {

CRuntimeClass* findInList(CRuntimeClass* head, const char* name) {
    for (CRuntimeClass* c = head; c != nullptr; c = c->m_pNextClass) {
        if (std::strcmp(c->m_lpszClassName, name) == 0) return c;
    }
    return nullptr;
}

}  // namespace

CRuntimeClass* CRuntimeClass::FromName(const char* lpszClassName) {
    if (lpszClassName == nullptr) return nullptr;
    AFX_MODULE_STATE* ms = AfxGetModuleState();
    if (CRuntimeClass* c = findInList(ms->m_classList, lpszClassName)) return c;
    for (CDynLinkLibrary* dll = ms->m_libraryList; dll != nullptr; dll = dll->m_pNextDLL) {
        if (CRuntimeClass* c = findInList(dll->m_classList, lpszClassName)) return c;
    }
    return nullptr;
}
