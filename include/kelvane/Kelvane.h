// Kelvane: the module's framework class.
//
// It carries no state; it makes the library known to a frame application as
// an extension module with one registered class, "Kelvane". The class has no
// creation function (it cannot be made by name) and is not storable.
#ifndef KELVANE_KELVANE_H
#define KELVANE_KELVANE_H

#include <kelvane/KVerror.h>
#include <kelvane/kvframe.h>

class KELVANE_API Kelvane : public CObject {
public:
    Kelvane();
    ~Kelvane() override;

    /// Returns RUNTIME_CLASS(Kelvane), the record classKelvane.
    CRuntimeClass* GetRuntimeClass() const override;
    /// Returns RUNTIME_CLASS(CObject).
    static CRuntimeClass* _GetBaseClass();

    /// "Kelvane", sizeof(Kelvane), schema 0xFFFF, no creation function,
    /// base through _GetBaseClass.
    static CRuntimeClass classKelvane;
};

#endif
