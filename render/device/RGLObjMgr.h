// RGLObjMgr: the list of every live RGLObject wrapper, in creation order. It lists wrappers but does not own
// them: each is owned by whoever had it created, who drops it through DestroyObject. Main thread only.
#pragma once

#include "core/types/RUtilVector.h"
#include "render/device/RGLObject.h"

class RGLObjMgr {
public:
    // The manager, created on first use.
    static RGLObjMgr* GetInstance();
    static bool HasInstance() { return s_instance != nullptr; }
    // Frees the list and the manager; wrappers still listed are left to their owners.
    static void DestroyInstance();

    // A new wrapper of type T for the GL name, appended to the list.
    template <typename T> T* CreateObject(uint32_t name)
    {
        T* object = new T();
        object->name = name;
        m_objects.push(object);
        return object;
    }

    // Takes the wrapper out of the list (when a manager exists; none is created) and deletes it. Null is
    // ignored.
    static void DestroyObject(RGLObject* object);

    const RUtilVector<RGLObject*>& GetObjects() const { return m_objects; }

private:
    RGLObjMgr() = default;
    ~RGLObjMgr() = default;
    RGLObjMgr(const RGLObjMgr&) = delete;
    RGLObjMgr& operator=(const RGLObjMgr&) = delete;

    RUtilVector<RGLObject*> m_objects;

    static RGLObjMgr* s_instance;
};
