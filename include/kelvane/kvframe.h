// kvframe: the small application frame that Kelvane plugs into as an
// extension module.
//
// A host application and every extension module link this one shared library
// (libkvframe), so they share one per-process module state:
//
//   * the application's class list: run-time class records registered by
//     static constructors (AFX_CLASSINIT) of the image being initialised;
//   * the application's factory list (carried along; nothing here makes
//     factories);
//   * the "initial" slots, where an extension module's early load hook parks
//     both list heads while the module's own static constructors run, so that
//     the module's registrations form a list of their own;
//   * the chain of extension modules: one CDynLinkLibrary per attached module,
//     each holding that module's class and factory lists.
//
// Class lookup by name (CRuntimeClass::FromName) searches the application's
// list first and then every module in the chain.
//
// Loading: a module's process-attach handler may refuse the load. The loader
// of this platform cannot fail a load from a constructor, so the module
// reports the outcome with AfxNoteModuleAttach(); AfxLoadLibrary() turns a
// refusal into a failed load (it unloads the module again and returns null).
// Hosts that link modules at start-up can check
// AfxGetModuleState()->m_nRefusedModules.
//
// Nothing here takes a lock: modules are loaded and unloaded one at a time.
#ifndef KVFRAME_H
#define KVFRAME_H

#define KVFRAME_API __attribute__((visibility("default")))

/// A module's instance handle: the address at which the module is mapped.
typedef void* HINSTANCE;

class CObject;
class CArchive;        // storing objects: not provided by this frame
class CDumpContext;    // diagnostic dumps: not provided by this frame
class CObjectFactory;  // factory records: only carried in lists here
class CDynLinkLibrary;

/// Run-time class record. Records are plain data with constant
/// initialisation, so they are valid before any static constructor runs.
struct KVFRAME_API CRuntimeClass {
    const char* m_lpszClassName;            ///< class name
    int m_nObjectSize;                      ///< size of an instance in bytes
    unsigned int m_wSchema;                 ///< schema number; 0xFFFF: not storable
    CObject* (*m_pfnCreateObject)();        ///< makes an instance by name; may be null
    CRuntimeClass* (*m_pfnGetBaseClass)();  ///< the base class's record; null for the root
    CRuntimeClass* m_pNextClass;            ///< next record in a class list

    /// True when this class is `pBaseClass` or derives from it.
    bool IsDerivedFrom(const CRuntimeClass* pBaseClass) const;

    /// The registered class named `lpszClassName`: the application's own
    /// classes first, then those of each module in the chain. Null when no
    /// registered class has that name.
    static CRuntimeClass* FromName(const char* lpszClassName);
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

/// The root object class. Virtual operations, in slot order:
/// GetRuntimeClass, the destructor, Serialize, AssertValid, Dump.
class KVFRAME_API CObject {
public:
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject();
    /// Stores the object to an archive; the root stores nothing.
    virtual void Serialize(CArchive& ar);
    /// Checks the object's invariants; the root has none.
    virtual void AssertValid() const;
    /// Writes the object to a dump context; the root writes nothing.
    virtual void Dump(CDumpContext& dc) const;

    /// True when the object's class is `pClass` or derives from it.
    bool IsKindOf(const CRuntimeClass* pClass) const;

    static CRuntimeClass classCObject;

protected:
    CObject() = default;

public:
    // Objects are not copied through the root class.
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

/// The per-process module state.
struct AFX_MODULE_STATE {
    CRuntimeClass* m_classList;       ///< head of the application's class list
    CObjectFactory* m_factoryList;    ///< head of the application's factory list
    CRuntimeClass* m_pClassInit;      ///< class-list head parked by a module's early hook
    CObjectFactory* m_pFactoryInit;   ///< factory-list head parked by a module's early hook
    CDynLinkLibrary* m_libraryList;   ///< the chain of extension modules, newest first
    unsigned m_nRefusedModules;       ///< refused attaches not yet answered by AfxLoadLibrary
};

/// One module's record for the extension-module bookkeeping, owned by the
/// module. Zero-initialised until AfxInitExtensionModule fills it.
struct AFX_EXTENSION_MODULE {
    bool bInitialized;
    HINSTANCE hModule;
    CRuntimeClass* pFirstSharedClass;      ///< the module's class list
    CObjectFactory* pFirstSharedFactory;   ///< the module's factory list
};

/// A module's link in the application's chain of extension modules. Made on
/// the heap by the module at process attach; from then on the frame owns it
/// and AfxTermExtensionModule deletes it, which unlinks it.
class KVFRAME_API CDynLinkLibrary {
public:
    explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& state, bool bSystem = false);
    ~CDynLinkLibrary();
    CDynLinkLibrary(const CDynLinkLibrary&) = delete;
    CDynLinkLibrary& operator=(const CDynLinkLibrary&) = delete;

    HINSTANCE m_hModule;
    bool m_bSystem;
    CRuntimeClass* m_classList;
    CObjectFactory* m_factoryList;
    CDynLinkLibrary* m_pNextDLL;
};

/// The module state of this process.
KVFRAME_API AFX_MODULE_STATE* AfxGetModuleState();

/// Called at a module's process attach, after its static constructors: takes
/// the classes and factories they registered into `state` and gives the
/// application its parked lists back. Fails, dropping the module's
/// registrations, when `hModule` is null. A record that is already
/// initialised is left as it is (success).
KVFRAME_API bool AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HINSTANCE hModule);

/// Called at a module's process detach: deletes the module's links in the
/// chain and clears the record. Does nothing for a record never initialised.
KVFRAME_API void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state);

/// Adds `pNewClass` at the head of the current class list.
KVFRAME_API void AfxClassInit(CRuntimeClass* pNewClass);

/// A static object of this type registers a class while its image loads.
struct AFX_CLASSINIT {
    explicit AFX_CLASSINIT(CRuntimeClass* pNewClass) { AfxClassInit(pNewClass); }
};

/// The instance handle of the loaded module that contains `address`, or null
/// when no loaded module contains it.
KVFRAME_API HINSTANCE AfxFindInstanceHandle(const void* address);

/// Reports the outcome of a module's process-attach handler. A refusal is
/// counted in the module state's m_nRefusedModules.
KVFRAME_API void AfxNoteModuleAttach(bool bAttached);

/// Loads the module at `path` (dlopen with RTLD_NOW). Returns the handle for
/// dlclose, or null when the module cannot be loaded or when a module loaded
/// by this call refused its attach; a refused load is unloaded again.
KVFRAME_API void* AfxLoadLibrary(const char* path);

#endif
