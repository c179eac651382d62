#include "render/frame/RRenderer.h"

#include <cstdlib>

#include "render/device/RGLDevice.h"
#include "render/frame/RRenderTarget.h"
#include "render/device/RResource.h"
#include "render/effects/RShaderMgr.h"

RRenderer* RRenderer::s_instance = nullptr;

RRenderer::RRenderer() : m_device(new RGLDevice()) {}

RRenderer::~RRenderer()
{
    Shutdown();
    delete m_device;
}

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
    return s_instance && s_instance->m_device->IsLive() ? s_instance : nullptr;
}

void RRenderer::Shutdown()
{
    DeleteRenderRecords();
    if (m_device->IsLive()) {
        for (uint32_t i = 0; i < m_renderTargets.getCount(); ++i)
            m_renderTargets[i]->Destroy(true);
    }
    m_device->DestroyContext();
    m_window = nullptr;
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
    if (!m_device->CreateContext(window))
        return false;
    m_window = window;
    SetDefaultState();
    m_backBufferWidth = width ? *width : 0;
    m_backBufferHeight = height ? *height : 0;
    m_device->SetTargetSize(m_backBufferWidth, m_backBufferHeight);
    m_initialised = true;
    return true;
}

void RRenderer::SetDefaultState()
{
    m_device->SetDefaultState();
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
    if (!m_window || !m_device->IsLive())
        return;
    m_device->SwapWindow(m_window);
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

    m_device->ForgetIndexBinding();
    m_device->ForgetVertexBinding();
    RunCallbacks(m_postResetCallbacks);

    m_backBufferWidth = width ? *width : m_backBufferWidth;
    m_backBufferHeight = height ? *height : m_backBufferHeight;
    m_device->SetTargetSize(m_backBufferWidth, m_backBufferHeight);
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
    m_device->Clear(colour, depth, colourBytes, depthValue);
}

void RRenderer::GetDeviceDescription(char* renderer, size_t rendererSize, char* version, size_t versionSize) const
{
    m_device->GetDescription(renderer, rendererSize, version, versionSize);
}

bool RRenderer::ReadBackBufferPixels(uint32_t width, uint32_t height, uint32_t* pixels)
{
    if (!m_device->IsLive())
        return false;
    m_device->BindFramebuffer(nullptr);
    return m_device->ReadPixels(width, height, pixels);
}

SDL_GLContext RRenderer::GetContext() const
{
    return m_device->GetContext();
}

bool RRenderer::HasARBFramebuffer() const
{
    return m_device->HasARBFramebuffer();
}

bool RRenderer::HasEXTFramebuffer() const
{
    return m_device->HasEXTFramebuffer();
}

uint32_t RRenderer::GetCurrentTargetWidth() const
{
    return m_device->GetTargetWidth();
}

uint32_t RRenderer::GetCurrentTargetHeight() const
{
    return m_device->GetTargetHeight();
}

const RVertexSet* RRenderer::GetBoundVertexSet() const
{
    return m_device->GetBoundVertexSet();
}

const RIndexBuffer* RRenderer::GetBoundIndexBuffer() const
{
    return m_device->GetBoundIndexBuffer();
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
