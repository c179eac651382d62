#include "render/effects/RTechnique.h"

#include "render/frame/RRenderer.h"

RTechnique::RTechnique(RShader* owner, const char* name)
    : m_owner(owner), m_name(name), m_glTechnique(RRenderer::FindTechniqueByName(owner, name))
{
}
