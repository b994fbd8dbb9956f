// A host of the application frame that loads the Kelvane library with dlopen
// and watches the module join and leave the frame's chain of extension
// modules. This executable links only the frame: Kelvane.h is included for
// sizeof(Kelvane) alone, and Kelvane's code is reached through the loaded
// modules (the library itself, and tests/module/client.cpp which links it).
#include <dlfcn.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include <kelvane/Kelvane.h>

namespace {

// While set, the non-throwing operator new fails; counts the failures.
bool failNothrowNew = false;
int nothrowFailures = 0;

}  // namespace

// Replaces the global non-throwing operator new for the whole process (the
// executable exports it), so a module's `new (std::nothrow)` can be made to
// fail.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (failNothrowNew) {
        ++nothrowFailures;
        return nullptr;
    }
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

namespace {

const char* const kLibrary = KELVANE_LIBRARY_FILE;
const char* const kClient = KELVANE_CLIENT_FILE;
const char* const kRefusing = KELVANE_REFUSING_FILE;
// Kelvane::classKelvane, as the library exports it.
const char* const kClassKelvaneSymbol = "_ZN7Kelvane12classKelvaneE";

// A class of the host application, registered at its start-up.
CRuntimeClass classHostThing = {"KvtestHostThing", 0, 0xFFFF, nullptr, nullptr, nullptr};
const AFX_CLASSINIT registerHostThing(&classHostThing);

std::vector<CDynLinkLibrary*> chain() {
    std::vector<CDynLinkLibrary*> links;
    for (CDynLinkLibrary* dll = AfxGetModuleState()->m_libraryList; dll != nullptr; dll = dll->m_pNextDLL)
        links.push_back(dll);
    return links;
}

int linksOf(HINSTANCE module) {
    int n = 0;
    for (CDynLinkLibrary* dll : chain()) n += dll->m_hModule == module ? 1 : 0;
    return n;
}

bool isLoaded(const char* path) {
    void* h = dlopen(path, RTLD_LAZY | RTLD_NOLOAD);
    if (h == nullptr) return false;
    dlclose(h);
    return true;
}

class ModuleLoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(isLoaded(kLibrary)) << "the host must not have the library linked";
        AFX_MODULE_STATE* ms = AfxGetModuleState();
        chainBefore = chain();
        classesBefore = ms->m_classList;
        ASSERT_EQ(CRuntimeClass::FromName("Kelvane"), nullptr);
        ASSERT_EQ(ms->m_nRefusedModules, 0u);
    }

    // The application's own state is as it was before the test loaded anything.
    void ExpectApplicationIntact() {
        AFX_MODULE_STATE* ms = AfxGetModuleState();
        EXPECT_EQ(chain(), chainBefore);
        EXPECT_EQ(ms->m_classList, classesBefore);
        EXPECT_EQ(CRuntimeClass::FromName("KvtestHostThing"), &classHostThing);
        EXPECT_EQ(CRuntimeClass::FromName("Kelvane"), nullptr);
    }

    std::vector<CDynLinkLibrary*> chainBefore;
    CRuntimeClass* classesBefore = nullptr;
};

TEST_F(ModuleLoad, LoadLinksTheModuleAndUnloadUnlinksIt) {
    void* h = AfxLoadLibrary(kLibrary);
    ASSERT_NE(h, nullptr) << dlerror();
    auto* exported = static_cast<CRuntimeClass*>(dlsym(h, kClassKelvaneSymbol));
    ASSERT_NE(exported, nullptr);
    HINSTANCE module = AfxFindInstanceHandle(exported);
    ASSERT_NE(module, nullptr);

    // One new link at the head of the chain, holding the module's record.
    std::vector<CDynLinkLibrary*> links = chain();
    ASSERT_EQ(links.size(), chainBefore.size() + 1);
    CDynLinkLibrary* link = links.front();
    EXPECT_EQ(link->m_hModule, module);
    EXPECT_FALSE(link->m_bSystem);
    EXPECT_EQ(link->m_classList, exported);
    EXPECT_EQ(link->m_factoryList, nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("Kelvane"), exported);

    // The record itself.
    EXPECT_STREQ(exported->m_lpszClassName, "Kelvane");
    EXPECT_EQ(exported->m_nObjectSize, static_cast<int>(sizeof(Kelvane)));
    EXPECT_EQ(exported->m_wSchema, 0xFFFFu);
    EXPECT_EQ(exported->m_pfnCreateObject, nullptr);
    ASSERT_NE(exported->m_pfnGetBaseClass, nullptr);
    EXPECT_EQ(exported->m_pfnGetBaseClass(), RUNTIME_CLASS(CObject));
    EXPECT_EQ(exported->m_pNextClass, nullptr);
    EXPECT_TRUE(exported->IsDerivedFrom(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(RUNTIME_CLASS(CObject)->IsDerivedFrom(exported));

    // The application's own class list came through the module's load whole.
    EXPECT_EQ(AfxGetModuleState()->m_classList, classesBefore);
    EXPECT_EQ(CRuntimeClass::FromName("KvtestHostThing"), &classHostThing);
    EXPECT_EQ(AfxGetModuleState()->m_nRefusedModules, 0u);

    ASSERT_EQ(dlclose(h), 0);
    EXPECT_FALSE(isLoaded(kLibrary)) << "the library stayed mapped after dlclose";
    EXPECT_EQ(linksOf(module), 0);
    ExpectApplicationIntact();
}

TEST_F(ModuleLoad, AKelvaneObjectKnowsItsClass) {
    // The client links the library, so this load brings the library in too.
    void* client = AfxLoadLibrary(kClient);
    ASSERT_NE(client, nullptr) << dlerror();
    ASSERT_TRUE(isLoaded(kLibrary));
    auto make = reinterpret_cast<CObject* (*)()>(dlsym(client, "kvtest_make_kelvane"));
    auto classOf = reinterpret_cast<CRuntimeClass* (*)()>(dlsym(client, "kvtest_kelvane_class"));
    ASSERT_NE(make, nullptr);
    ASSERT_NE(classOf, nullptr);
    CRuntimeClass* cls = classOf();
    EXPECT_EQ(CRuntimeClass::FromName("Kelvane"), cls);

    CObject* obj = make();
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(obj->GetRuntimeClass(), cls);
    EXPECT_TRUE(obj->IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_TRUE(obj->IsKindOf(cls));
    EXPECT_FALSE(obj->IsKindOf(&classHostThing));
    obj->AssertValid();
    delete obj;  // the module's deleting destructor, through the root class

    ASSERT_EQ(dlclose(client), 0);
    EXPECT_FALSE(isLoaded(kClient));
    EXPECT_FALSE(isLoaded(kLibrary));
    ExpectApplicationIntact();
}

TEST_F(ModuleLoad, ARefusedAttachFailsTheLoad) {
    // The refusing module registers "KvtestRefused" during its load; neither
    // it nor the module may stay anywhere in the application.
    EXPECT_EQ(AfxLoadLibrary(kRefusing), nullptr);
    EXPECT_FALSE(isLoaded(kRefusing));
    EXPECT_EQ(AfxGetModuleState()->m_nRefusedModules, 0u) << "AfxLoadLibrary answers the refusal";
    EXPECT_EQ(CRuntimeClass::FromName("KvtestRefused"), nullptr);
    ExpectApplicationIntact();

    // Loaded behind the frame's back, the refusal is still on record.
    void* h = dlopen(kRefusing, RTLD_NOW);
    ASSERT_NE(h, nullptr) << dlerror();
    EXPECT_EQ(AfxGetModuleState()->m_nRefusedModules, 1u);
    EXPECT_EQ(CRuntimeClass::FromName("KvtestRefused"), nullptr);
    EXPECT_EQ(chain(), chainBefore);
    ASSERT_EQ(dlclose(h), 0);
    AfxGetModuleState()->m_nRefusedModules = 0;
    ExpectApplicationIntact();
}

TEST_F(ModuleLoad, WithoutMemoryForItsLinkTheModuleStaysOutOfTheChain) {
    nothrowFailures = 0;
    failNothrowNew = true;
    void* h = AfxLoadLibrary(kLibrary);
    failNothrowNew = false;
    ASSERT_NE(h, nullptr) << "the load still succeeds";
    EXPECT_EQ(nothrowFailures, 1);
    EXPECT_EQ(AfxGetModuleState()->m_nRefusedModules, 0u);
    ExpectApplicationIntact();
    ASSERT_EQ(dlclose(h), 0);
    EXPECT_FALSE(isLoaded(kLibrary));
    ExpectApplicationIntact();

    // A later load with memory to spare joins the chain as usual.
    h = AfxLoadLibrary(kLibrary);
    ASSERT_NE(h, nullptr);
    EXPECT_NE(CRuntimeClass::FromName("Kelvane"), nullptr);
    ASSERT_EQ(dlclose(h), 0);
    ExpectApplicationIntact();
}

// The frame's bookkeeping on its own, with hand-made module records.
TEST(ModuleRecords, InitHandsBackTheParkedListsAndTermUnlinksOnlyItsModule) {
    AFX_MODULE_STATE* ms = AfxGetModuleState();
    CRuntimeClass* appClasses = ms->m_classList;
    CRuntimeClass classA = {"KvtestA", 0, 0xFFFF, nullptr, nullptr, nullptr};
    CRuntimeClass classB = {"KvtestB", 0, 0xFFFF, nullptr, nullptr, nullptr};
    int anchorA = 0, anchorB = 0;  // stand-ins for two instance handles

    // Module A: early hook, one registration, attach.
    AFX_EXTENSION_MODULE modA = {};
    ms->m_pClassInit = ms->m_classList;
    ms->m_classList = nullptr;
    AfxClassInit(&classA);
    ASSERT_TRUE(AfxInitExtensionModule(modA, &anchorA));
    EXPECT_EQ(ms->m_classList, appClasses);
    EXPECT_EQ(modA.pFirstSharedClass, &classA);
    EXPECT_EQ(modA.hModule, &anchorA);
    // A second call changes nothing, whatever the lists hold now.
    ASSERT_TRUE(AfxInitExtensionModule(modA, &anchorB));
    EXPECT_EQ(ms->m_classList, appClasses);
    EXPECT_EQ(modA.hModule, &anchorA);
    EXPECT_EQ(CRuntimeClass::FromName("KvtestA"), nullptr) << "not in the chain yet";
    new CDynLinkLibrary(modA);

    // Module B, refused for want of an instance handle, then accepted.
    AFX_EXTENSION_MODULE modB = {};
    ms->m_pClassInit = ms->m_classList;
    ms->m_classList = nullptr;
    AfxClassInit(&classB);
    EXPECT_FALSE(AfxInitExtensionModule(modB, nullptr));
    EXPECT_FALSE(modB.bInitialized);
    EXPECT_EQ(ms->m_classList, appClasses);
    ms->m_pClassInit = ms->m_classList;
    ms->m_classList = nullptr;
    AfxClassInit(&classB);
    ASSERT_TRUE(AfxInitExtensionModule(modB, &anchorB));
    new CDynLinkLibrary(modB);
    new CDynLinkLibrary(modA);  // a module may hold more than one link

    EXPECT_EQ(CRuntimeClass::FromName("KvtestA"), &classA);
    EXPECT_EQ(CRuntimeClass::FromName("KvtestB"), &classB);
    EXPECT_EQ(CRuntimeClass::FromName("KvtestHostThing"), &classHostThing);
    EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);

    AfxTermExtensionModule(modA);
    EXPECT_FALSE(modA.bInitialized);
    EXPECT_EQ(linksOf(&anchorA), 0);
    EXPECT_EQ(linksOf(&anchorB), 1);
    EXPECT_EQ(CRuntimeClass::FromName("KvtestA"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("KvtestB"), &classB);
    AfxTermExtensionModule(modA);  // a cleared record: nothing happens
    EXPECT_EQ(linksOf(&anchorB), 1);
    AfxTermExtensionModule(modB);
    EXPECT_EQ(linksOf(&anchorB), 0);
    EXPECT_EQ(ms->m_libraryList, nullptr);
    EXPECT_EQ(ms->m_classList, appClasses);
}

// The root class's virtual operations sit in the slots a module compiled
// against another copy of this header expects. A pointer to a virtual member
// holds 1 + the slot's byte offset in the table on these targets; the
// destructor takes two slots (complete and deleting).
TEST(ModuleFrame, RootVirtualOperationsKeepTheirSlots) {
#if defined(__x86_64__) || defined(__i386__)
    struct Rep {
        std::uintptr_t ptr;
        std::ptrdiff_t adj;
    };
    auto slot = [](auto memberPointer) {
        static_assert(sizeof(memberPointer) == sizeof(Rep), "unexpected member pointer layout");
        Rep rep;
        std::memcpy(&rep, &memberPointer, sizeof rep);
        EXPECT_EQ(rep.ptr % sizeof(void*), 1u) << "not a virtual member";
        return static_cast<long>((rep.ptr - 1) / sizeof(void*));
    };
    EXPECT_EQ(slot(&CObject::GetRuntimeClass), 0);
    EXPECT_EQ(slot(&CObject::Serialize), 3);
    EXPECT_EQ(slot(&CObject::AssertValid), 4);
    EXPECT_EQ(slot(&CObject::Dump), 5);
    EXPECT_EQ(slot(&Kelvane::GetRuntimeClass), 0);
#else
    GTEST_SKIP() << "member pointer layout of this target not checked";
#endif
}

}  // namespace
