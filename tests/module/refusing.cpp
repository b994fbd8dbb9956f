// Together with Kelvane's ModuleMain.cpp, a test module whose attach is
// refused: it cannot find its own instance handle, so AfxInitExtensionModule
// fails. It registers one class of its own, which must not stay in the
// application's class list.
#include <kelvane/kvframe.h>

// Linked with -Bsymbolic-functions, so ModuleMain.cpp calls this one.
HINSTANCE AfxFindInstanceHandle(const void*) { return nullptr; }

namespace {

CRuntimeClass classRefused = {"KvtestRefused", 0, 0xFFFF, nullptr, nullptr, nullptr};
const AFX_CLASSINIT registerRefused(&classRefused);

}  // namespace
