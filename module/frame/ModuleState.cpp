// The per-process module state, the extension-module bookkeeping and the
// loader glue of this platform.
#include <dlfcn.h>

#include <kelvane/kvframe.h>

namespace {

// Plain data with constant initialisation: valid before any static
// constructor of any image runs, and never destroyed.
AFX_MODULE_STATE moduleState = {};

}  // namespace

AFX_MODULE_STATE* AfxGetModuleState() { return &moduleState; }

void AfxClassInit(CRuntimeClass* pNewClass) {
    AFX_MODULE_STATE* ms = AfxGetModuleState();
    pNewClass->m_pNextClass = ms->m_classList;
    ms->m_classList = pNewClass;
}

bool AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HINSTANCE hModule) {
    // A second call finds the application's lists already handed back.
    if (state.bInitialized) return true;

    // What the module's static constructors registered since its early hook
    // cleared the heads belongs to the module; the application gets its
    // parked lists back whatever happens next, so a refused module leaves no
    // trace in them.
    AFX_MODULE_STATE* ms = AfxGetModuleState();
    CRuntimeClass* moduleClasses = ms->m_classList;
    CObjectFactory* moduleFactories = ms->m_factoryList;
    ms->m_classList = ms->m_pClassInit;
    ms->m_factoryList = ms->m_pFactoryInit;

    if (hModule == nullptr) return false;

    state.bInitialized = true;
    state.hModule = hModule;
    state.pFirstSharedClass = moduleClasses;
    state.pFirstSharedFactory = moduleFactories;
    return true;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state) {
    if (!state.bInitialized) return;
    AFX_MODULE_STATE* ms = AfxGetModuleState();
    for (CDynLinkLibrary* dll = ms->m_libraryList; dll != nullptr;) {
        CDynLinkLibrary* next = dll->m_pNextDLL;
        if (dll->m_hModule == state.hModule) delete dll;  // unlinks itself
        dll = next;
    }
    // The module's class records go away with the module.
    state = AFX_EXTENSION_MODULE{};
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, bool bSystem)
    : m_hModule(state.hModule),
      m_bSystem(bSystem),
      m_classList(state.pFirstSharedClass),
      m_factoryList(state.pFirstSharedFactory),
      m_pNextDLL(nullptr) {
    AFX_MODULE_STATE* ms = AfxGetModuleState();
    m_pNextDLL = ms->m_libraryList;
    ms->m_libraryList = this;
}

CDynLinkLibrary::~CDynLinkLibrary() {
    AFX_MODULE_STATE* ms = AfxGetModuleState();
    for (CDynLinkLibrary** link = &ms->m_libraryList; *link != nullptr; link = &(*link)->m_pNextDLL) {
        if (*link == this) {
            *link = m_pNextDLL;
            break;
        }
    }
}

HINSTANCE AfxFindInstanceHandle(const void* address) {
    Dl_info info;
    if (address == nullptr || dladdr(address, &info) == 0) return nullptr;
    return info.dli_fbase;
}

void AfxNoteModuleAttach(bool bAttached) {
    if (!bAttached) ++AfxGetModuleState()->m_nRefusedModules;
}

void* AfxLoadLibrary(const char* path) {
    AFX_MODULE_STATE* ms = AfxGetModuleState();
    const unsigned refusedBefore = ms->m_nRefusedModules;
    void* handle = dlopen(path, RTLD_NOW);
    if (handle != nullptr && ms->m_nRefusedModules != refusedBefore) {
        // A module brought in by this load refused to attach: the load fails
        // as a whole, and the refusal is answered.
        dlclose(handle);
        ms->m_nRefusedModules = refusedBefore;
        return nullptr;
    }
    return handle;
}
