// RRenderer's description of its device for the session report.
#include "render/frame/RRenderer.h"

#include <GL/glew.h>

#include <cstdio>

void RRenderer::GetDeviceDescription(char* renderer, size_t rendererSize, char* version, size_t versionSize) const
{
    const GLubyte* rendererText = m_initialised ? glGetString(GL_RENDERER) : nullptr;
    const GLubyte* versionText = m_initialised ? glGetString(GL_VERSION) : nullptr;
    if (renderer && rendererSize > 0)
        snprintf(renderer, rendererSize, "%s", rendererText ? reinterpret_cast<const char*>(rendererText) : "");
    if (version && versionSize > 0)
        snprintf(version, versionSize, "%s", versionText ? reinterpret_cast<const char*>(versionText) : "");
}
