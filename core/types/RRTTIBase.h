// RRTTIBase: the root of the engine's run-time typed objects (entities, components, collision shapes). It gives
// each object a class identity by interned name (GetClassName, IsA up the class chain), independent of the
// compiler's type information, and a handle under which the object is found again while it lives.
//
// Every derived class puts RRTTI_CLASS(ThisClass, BaseClass) first in its body, e.g.
//     class REntity : public RRTTIBase { RRTTI_CLASS(REntity, RRTTIBase) ... };
// The names are interned case-insensitively, so "rentity" names the same class as "REntity".
#pragma once

#include "core/types/RHandle.h"
#include "core/types/RHashedString.h"

class RRTTIBase {
public:
    // Registers the object in the handle table (a null handle once the table has been closed).
    RRTTIBase();
    // A copy is a new object with its own handle.
    RRTTIBase(const RRTTIBase& other);
    // Assignment leaves each object's own handle alone.
    RRTTIBase& operator=(const RRTTIBase&) { return *this; }
    // Takes the object's id out of the handle table.
    virtual ~RRTTIBase();

    // "RRTTIBase", interned once.
    static RHashedString StaticGetClassName();
    virtual RHashedString GetClassName() const { return StaticGetClassName(); }
    // True when name is this object's class or any class above it.
    virtual bool IsA(RHashedString name) const { return name == StaticGetClassName(); }

    const RHandle& GetHandle() const { return m_handle; }

private:
    RHandle m_handle;
};

// The class test of Base for a class derived from it: its StaticIsA, or at the root a comparison with the
// root's name (the root has no StaticIsA).
template <typename Base> inline bool RRTTIBaseIsA(RHashedString name)
{
    return Base::StaticIsA(name);
}
template <> inline bool RRTTIBaseIsA<RRTTIBase>(RHashedString name)
{
    return name == RRTTIBase::StaticGetClassName();
}

// Declares a class's name and class tests; leaves the class body in public access.
#define RRTTI_CLASS(ThisClass, BaseClass)                                                                        \
public:                                                                                                          \
    static RHashedString StaticGetClassName()                                                                    \
    {                                                                                                            \
        static const RHashedString s_className(#ThisClass);                                                      \
        return s_className;                                                                                      \
    }                                                                                                            \
    static bool StaticIsA(RHashedString name)                                                                    \
    {                                                                                                            \
        return name == StaticGetClassName() || RRTTIBaseIsA<BaseClass>(name);                                   \
    }                                                                                                            \
    RHashedString GetClassName() const override { return StaticGetClassName(); }                                 \
    bool IsA(RHashedString name) const override { return StaticIsA(name); }
