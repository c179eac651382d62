#include "render/device/RGLObjMgr.h"

RGLObjMgr* RGLObjMgr::s_instance = nullptr;

RGLObjMgr* RGLObjMgr::GetInstance()
{
    if (!s_instance)
        s_instance = new RGLObjMgr();
    return s_instance;
}

void RGLObjMgr::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

void RGLObjMgr::DestroyObject(RGLObject* object)
{
    if (!object)
        return;
    if (s_instance)
        s_instance->m_objects.eraseElement(object);
    delete object;
}
