// The Kelvane class and its class record.
#include <kelvane/Kelvane.h>

CRuntimeClass Kelvane::classKelvane = {
    "Kelvane", sizeof(Kelvane), 0xFFFF, nullptr, &Kelvane::_GetBaseClass, nullptr};

Kelvane::Kelvane() = default;

Kelvane::~Kelvane() = default;

CRuntimeClass* Kelvane::GetRuntimeClass() const { return RUNTIME_CLASS(Kelvane); }

CRuntimeClass* Kelvane::_GetBaseClass() { return RUNTIME_CLASS(CObject); }

namespace {

// Registered while the module's static constructors run, so the record lands
// in the module's own class list (see ModuleMain.cpp) and the module's link
// in the chain makes it known to the application.
const AFX_CLASSINIT registerKelvane(RUNTIME_CLASS(Kelvane));

}  // namespace
