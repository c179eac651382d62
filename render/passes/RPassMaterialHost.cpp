#include "render/passes/RPassMaterialHost.h"

#include "render/passes/RDepthBackdropMaterial.h"
#include "render/passes/RDepthBackdropQuad.h"

RPassMaterialHost* RPassMaterialHost::s_current = nullptr;

RPassMaterialHost::~RPassMaterialHost()
{
    if (s_current == this)
        s_current = nullptr;
}

RPassMaterialHost* RPassMaterialHost::GetCurrent()
{
    static RPassMaterialHost s_builtIn;
    return s_current ? s_current : &s_builtIn;
}

RMaterial* RPassMaterialHost::GetNewDepthBackdropMaterial()
{
    return new RDepthBackdropMaterial();
}

RRenderable* RPassMaterialHost::GetNewDepthBackdropRenderable()
{
    return new RDepthBackdropQuad();
}
