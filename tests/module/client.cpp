// A test module that links Kelvane like an ordinary client: it gives the test
// host, which loads everything with dlopen, Kelvane objects and the address of
// the class record its own code sees.
#include <kelvane/Kelvane.h>

extern "C" KVFRAME_API CObject* kvtest_make_kelvane() { return new Kelvane; }

extern "C" KVFRAME_API CRuntimeClass* kvtest_kelvane_class() { return RUNTIME_CLASS(Kelvane); }
