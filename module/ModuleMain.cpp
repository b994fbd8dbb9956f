// Load and unload events of the Kelvane module.
//
// The loader of this platform delivers three events to the module:
//   early hook      a constructor function of the highest user priority (101),
//                   so it runs before every static constructor of the module;
//   process attach  an ordinary constructor function in the object file that
//                   is linked last (module/CMakeLists.txt keeps it last), so
//                   it runs after every static constructor of the module;
//   process detach  a destructor function: at dlclose or process exit, before
//                   the module's static destructors.
// There are no per-thread load events here; the handler ignores them anyway.
//
// A constructor function cannot make dlopen fail. A refused attach is
// reported to the frame with AfxNoteModuleAttach(false): the module then stays
// out of the chain, and AfxLoadLibrary unloads it again and returns null.
#include <new>

#include <kelvane/kvframe.h>

namespace {

// The module's record for the frame's bookkeeping: plain data with constant
// initialisation, so it is ready before the early hook runs and needs no
// static destructor.
AFX_EXTENSION_MODULE kelvaneModule = {};

enum class ModuleEvent { ProcessAttach, ProcessDetach, ThreadAttach, ThreadDetach };

// The early hook. The module's static constructors register its classes at
// the head of the class list; parking the application's lists first keeps
// those registrations apart, and AfxInitExtensionModule hands the parked
// lists back.
bool RawModuleMain(ModuleEvent event) {
    if (event == ModuleEvent::ProcessAttach) {
        AFX_MODULE_STATE* ms = AfxGetModuleState();
        ms->m_pClassInit = ms->m_classList;
        ms->m_pFactoryInit = ms->m_factoryList;
        ms->m_classList = nullptr;
        ms->m_factoryList = nullptr;
    }
    return true;
}

bool ModuleMain(HINSTANCE hInstance, ModuleEvent event) {
    switch (event) {
    case ModuleEvent::ProcessAttach:
        if (!AfxInitExtensionModule(kelvaneModule, hInstance)) return false;
        // Links the module into the chain; the frame owns the object from now
        // on. Without memory the module simply stays out of the chain.
        new (std::nothrow) CDynLinkLibrary(kelvaneModule);
        return true;
    case ModuleEvent::ProcessDetach:
        AfxTermExtensionModule(kelvaneModule);
        return true;
    case ModuleEvent::ThreadAttach:
    case ModuleEvent::ThreadDetach:
        break;
    }
    return true;
}

HINSTANCE thisModule() { return AfxFindInstanceHandle(&kelvaneModule); }

__attribute__((constructor(101))) void onEarlyLoad() {
    RawModuleMain(ModuleEvent::ProcessAttach);
}

__attribute__((constructor)) void onLoad() {
    AfxNoteModuleAttach(ModuleMain(thisModule(), ModuleEvent::ProcessAttach));
}

__attribute__((destructor)) void onUnload() {
    ModuleMain(thisModule(), ModuleEvent::ProcessDetach);
}

}  // namespace
