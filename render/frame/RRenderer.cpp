#include "render/frame/RRenderer.h"

#include <GL/glew.h>

#include <cstdlib>

#include "core/RMath.h"
#include "render/device/RGLObject.h"
#include "render/frame/RRenderTarget.h"
#include "render/device/RResource.h"
#include "render/effects/RShaderMgr.h"

RRenderer* RRenderer::s_instance = nullptr;

RRenderer* RRenderer::GetInstance()
{
    if (!s_instance)
        s_instance = new RRenderer();
    return s_instance;
}

void RRenderer::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

RRenderer* RRenderer::LiveInstance()
{
    return s_instance && s_instance->m_context ? s_instance : nullptr;
}

void RRenderer::Shutdown()
{
    DeleteRenderRecords();
    if (m_context) {
        for (uint32_t i = 0; i < m_renderTargets.getCount(); ++i)
            m_renderTargets[i]->Destroy(true);
        SDL_GL_MakeCurrent(nullptr, nullptr);
        SDL_GL_DeleteContext(m_context);
    }
    m_context = nullptr;
    m_window = nullptr;
    m_boundVertexSet = nullptr;
    m_boundIndexBuffer = nullptr;
    m_currentTechniquePass = nullptr;
    m_preResetCallbacks.free();
    m_postResetCallbacks.free();
    m_deviceLostCallbacks.free();
    m_renderTargets.free();
    m_resources.free();
}

bool RRenderer::Init(SDL_Window* window, const uint32_t* width, const uint32_t* height)
{
    if (m_initialised)
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
    m_window = window;
    m_context = context;
    m_arbFramebuffer = GLEW_ARB_framebuffer_object;
    m_extFramebuffer = GLEW_EXT_framebuffer_object;

    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    m_maxTextureSize = limit > 0 ? static_cast<uint32_t>(limit) : 0;
    limit = 0;
    glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &limit);
    m_maxVertexAttributes = limit > 0 ? (limit < 64 ? static_cast<uint32_t>(limit) : 64) : 0;

    SetDefaultState();
    m_backBufferWidth = m_currentTargetWidth = width ? *width : 0;
    m_backBufferHeight = m_currentTargetHeight = height ? *height : 0;
    m_initialised = true;
    return true;
}

void RRenderer::SetDefaultState()
{
    if (!m_context)
        return;
    glFrontFace(GL_CW);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
}

void RRenderer::BeginFrame()
{
    if (!m_inFrame && m_presented) {
        m_inFrame = true;
        m_presented = false;
    }
}

void RRenderer::EndFrame()
{
    m_inFrame = false;
}

void RRenderer::Present()
{
    if (m_inFrame)
        return;
    m_presented = true;
    if (!m_window || !m_context)
        return;
    SDL_GL_SwapWindow(m_window);
    // Start-up measurements wait for this line: the first picture the stages drew is on screen.
    if (m_stageDrawn && !m_firstFrameShown) {
        m_firstFrameShown = true;
        if (getenv("ROLT_FIRST_FRAME_LINE")) {
            printf("first frame\n");
            fflush(stdout);
        }
    }
}

void RRenderer::RunCallbacks(const RUtilVector<Callback>& callbacks)
{
    for (uint32_t i = 0; i < callbacks.getCount(); ++i)
        callbacks[i]();
}

void RRenderer::ResetDevice(SDL_Window* window, const uint32_t* width, const uint32_t* height, bool fullscreen,
                            bool* fullscreenFailed)
{
    m_window = window;
    if (!m_deviceLost)
        RunCallbacks(m_preResetCallbacks);
    m_deviceLost = false;

    // The loaded effects are told before and after (they keep their programs: GL needs no work for them).
    RShaderMgr* shaders = RShaderMgr::HasInstance() ? RShaderMgr::GetInstance() : nullptr;
    if (shaders)
        shaders->OnDeviceLost();
    ReleaseAllDynamic();
    for (uint32_t i = 0; i < m_renderTargets.getCount(); ++i)
        m_renderTargets[i]->Destroy(true);
    if (shaders) {
        shaders->OnDeviceLost();
        shaders->OnDeviceReset();
    }
    SetDefaultState();
    // Recreate with the reset flag never changes the list, so walking it by index is safe.
    for (uint32_t i = 0; i < m_renderTargets.getCount(); ++i)
        m_renderTargets[i]->Recreate(RHashedString(), true);
    RenewAllDynamic();

    ForgetIndexBinding();
    ForgetVertexBinding();
    RunCallbacks(m_postResetCallbacks);

    m_backBufferWidth = m_currentTargetWidth = width ? *width : m_backBufferWidth;
    m_backBufferHeight = m_currentTargetHeight = height ? *height : m_backBufferHeight;
}

void RRenderer::SetDeviceLost(bool lost)
{
    if (lost && !m_deviceLost)
        RunCallbacks(m_deviceLostCallbacks);
    m_deviceLost = lost;
}

void RRenderer::AddPreResetCallback(Callback callback)
{
    if (callback)
        m_preResetCallbacks.pushUniqueElement(callback);
}

void RRenderer::AddPostResetCallback(Callback callback)
{
    if (callback)
        m_postResetCallbacks.pushUniqueElement(callback);
}

void RRenderer::AddDeviceLostCallback(Callback callback)
{
    if (callback)
        m_deviceLostCallbacks.pushUniqueElement(callback);
}

void RRenderer::RegisterResource(RResource* resource)
{
    if (resource)
        m_resources.pushUniqueElement(resource);
}

void RRenderer::UnregisterResource(RResource* resource)
{
    m_resources.eraseElement(resource);
}

void RRenderer::ReleaseAllDynamic()
{
    for (uint32_t i = 0; i < m_resources.getCount(); ++i)
        m_resources[i]->ReleaseDynamic();
}

void RRenderer::RenewAllDynamic()
{
    for (uint32_t i = 0; i < m_resources.getCount(); ++i)
        m_resources[i]->RenewDynamic();
}

void RRenderer::Clear(bool colour, bool depth, uint32_t colourBytes, float depthValue)
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

const char* RRenderer::GetGLErrorName(int32_t code)
{
    switch (code) {
    case 0:
        return "GL_NO_ERROR";
    case 1280:
        return "GL_INVALID_ENUM";
    case 1281:
        return "GL_INVALID_VALUE";
    case 1282:
        return "GL_INVALID_OPERATION";
    case 1283:
        return "GL_STACK_OVERFLOW";
    case 1284:
        return "GL_STACK_UNDERFLOW";
    case 1285:
        return "GL_OUT_OF_MEMORY";
    default:
        return "Unknown GL error code";
    }
}

const char* RRenderer::GetGLErrorDescription(int32_t code)
{
    switch (code) {
    case 0:
        return "No error has been recorded. The value of this symbolic constant is guaranteed to be zero.";
    case 1280:
        return "An unacceptable value is specified for an enumerated argument. The offending function is ignored, "
               "having no side effect other than to set the error flag.";
    case 1281:
        return "A numeric argument is out of range. The offending function is ignored, having no side effect other "
               "than to set the error flag.";
    case 1282:
        return "The specified operation is not allowed in the current state. The offending function is ignored, "
               "having no side effect other than to set the error flag.";
    case 1283:
        return "This function would cause a stack overflow. The offending function is ignored, having no side "
               "effect other than to set the error flag.";
    case 1284:
        return "This function would cause a stack underflow. The offending function is ignored, having no side "
               "effect other than to set the error flag.";
    case 1285:
        return "There is not enough memory left to execute the function. The state of OpenGL is undefined, except "
               "for the state of the error flags, after this error is recorded.";
    default:
        return "Unknown GL error";
    }
}
