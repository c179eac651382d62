// RGLDevice: the context, clears, viewports, swaps and read-backs.
#include "render/device/RGLDevice.h"

#include <GL/glew.h>

#include "core/types/RMath.h"

bool RGLDevice::CreateContext(SDL_Window* window)
{
    if (m_context)
        return true;
    if (!window)
        return false;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context)
        return false;
    if (SDL_GL_MakeCurrent(window, context) != 0) {
        SDL_GL_DeleteContext(context);
        return false;
    }
    // The result is not trusted either way: without a GLX display GLEW reports an error yet loads the entry
    // points, so what the device needs is checked directly.
    glewExperimental = GL_TRUE;
    glewInit();
    if (!glGenBuffers || !glMapBuffer || !glGenFramebuffers || !glCompressedTexImage2D || !glGetAttribLocation ||
        !glVertexAttribPointer) {
        SDL_GL_MakeCurrent(nullptr, nullptr);
        SDL_GL_DeleteContext(context);
        return false;
    }
    m_context = context;
    m_arbFramebuffer = GLEW_ARB_framebuffer_object;
    m_extFramebuffer = GLEW_EXT_framebuffer_object;

    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    m_maxTextureSize = limit > 0 ? static_cast<uint32_t>(limit) : 0;
    limit = 0;
    glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &limit);
    m_maxVertexAttributes = limit > 0 ? (limit < 64 ? static_cast<uint32_t>(limit) : 64) : 0;
    return true;
}

void RGLDevice::DestroyContext()
{
    if (m_context) {
        SDL_GL_MakeCurrent(nullptr, nullptr);
        SDL_GL_DeleteContext(m_context);
    }
    m_context = nullptr;
    m_boundVertexSet = nullptr;
    m_boundIndexBuffer = nullptr;
    m_boundPass = nullptr;
    m_boundProgram = 0;
    m_boundVertexCount = 0;
    m_boundIndexCount = 0;
    m_enabledAttributes = 0;
}

void RGLDevice::SetDefaultState()
{
    if (!m_context)
        return;
    glFrontFace(GL_CW);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
}

void RGLDevice::SwapWindow(SDL_Window* window)
{
    if (m_context && window)
        SDL_GL_SwapWindow(window);
}

void RGLDevice::Clear(bool colour, bool depth, uint32_t colourBytes, float depthValue)
{
    if (!m_context)
        return;
    RColor clearColour;
    RColor::FromBytes(clearColour, colourBytes);

    GLboolean colourMask[4];
    GLboolean depthMask = GL_TRUE;
    GLint stencilMask = 0;
    glGetBooleanv(GL_COLOR_WRITEMASK, colourMask);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    glGetIntegerv(GL_STENCIL_WRITEMASK, &stencilMask);

    glDepthMask(GL_TRUE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(clearColour.r, clearColour.g, clearColour.b, clearColour.a);
    glClearDepth(depthValue);
    glClearStencil(0);

    GLbitfield bits = 0;
    if (colour)
        bits |= GL_COLOR_BUFFER_BIT;
    if (depth)
        bits |= GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT;
    if (bits)
        glClear(bits);

    glDepthMask(depthMask);
    glColorMask(colourMask[0], colourMask[1], colourMask[2], colourMask[3]);
    glStencilMask(static_cast<GLuint>(stencilMask));
}

void RGLDevice::SetViewport(int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (m_context)
        glViewport(x, y, width, height);
}

void RGLDevice::SetDepthRange(double nearValue, double farValue)
{
    if (m_context)
        glDepthRange(nearValue, farValue);
}

void RGLDevice::GetDescription(char* renderer, size_t rendererSize, char* version, size_t versionSize) const
{
    const GLubyte* rendererText = m_context ? glGetString(GL_RENDERER) : nullptr;
    const GLubyte* versionText = m_context ? glGetString(GL_VERSION) : nullptr;
    if (renderer && rendererSize > 0)
        snprintf(renderer, rendererSize, "%s", rendererText ? reinterpret_cast<const char*>(rendererText) : "");
    if (version && versionSize > 0)
        snprintf(version, versionSize, "%s", versionText ? reinterpret_cast<const char*>(versionText) : "");
}

bool RGLDevice::ReadPixels(uint32_t width, uint32_t height, uint32_t* pixels)
{
    if (!m_context || !pixels)
        return false;
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_BGRA, GL_UNSIGNED_BYTE,
                 pixels);
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    return true;
}
