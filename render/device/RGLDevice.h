// RGLDevice: the OpenGL device under the renderer. It owns the GL context and the binding caches (the size of
// the bound framebuffer, the bound vertex set and index buffer, the attribute locations enabled for them) and
// makes every GL call of the renderer: object creation and deletion, binding, render and sampler states, uniform
// uploads and read-backs. RRenderer owns the one device and is its only user; the GL object wrappers it creates
// belong to whoever asked the renderer for them. Every operation does nothing (or answers null or false) while
// no context lives. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <SDL_video.h>

#include "core/types/RHashedString.h"
#include "core/types/RString.h"

class RGLObjectTexture;
class RGLObjectRenderTarget;
class RGLObjectRenderBuffer;
class RGLObjectVertexBuffer;
class RGLObjectIndexBuffer;
class RGLObjectVertexDeclaration;
class RGLObjectTechniquePass;
class RGLObjectShaderParamHandle;
class RVertexSet;
class RIndexBuffer;
struct RMatrix4;
struct RVector4;

class RGLDevice {
public:
    RGLDevice() = default;
    ~RGLDevice() { DestroyContext(); }
    RGLDevice(const RGLDevice&) = delete;
    RGLDevice& operator=(const RGLDevice&) = delete;

    // The context and the frame (RGLDevice.cpp).
    //
    // Creates the context on the window, makes it current and loads the GL entry points; false (and nothing
    // kept) when it cannot be made or the GL lacks buffer objects, framebuffers or compressed textures.
    bool CreateContext(SDL_Window* window);
    // Releases and deletes the context; GL objects still named by wrappers die with it.
    void DestroyContext();
    bool IsLive() const { return m_context != nullptr; }
    SDL_GLContext GetContext() const { return m_context; }
    bool HasARBFramebuffer() const { return m_arbFramebuffer; }
    bool HasEXTFramebuffer() const { return m_extFramebuffer; }
    uint32_t GetMaxTextureSize() const { return m_maxTextureSize; }
    // Front faces clockwise, back faces culled, depth writes and the depth test on.
    void SetDefaultState();
    void SwapWindow(SDL_Window* window);
    // See RRenderer::Clear.
    void Clear(bool colour, bool depth, uint32_t colourBytes, float depthValue);
    void SetViewport(int32_t x, int32_t y, int32_t width, int32_t height);
    void SetDepthRange(double nearValue, double farValue);
    // Reads the bottom-left width x height pixels of the bound framebuffer as B, G, R, A bytes, bottom row first.
    bool ReadPixels(uint32_t width, uint32_t height, uint32_t* pixels);
    // See RRenderer::GetDeviceDescription.
    void GetDescription(char* renderer, size_t rendererSize, char* version, size_t versionSize) const;

    // Textures and framebuffers (RGLDeviceTextures.cpp).
    //
    // See RRenderer::CreateTexture.
    bool CreateTexture(uint32_t width, uint32_t height, uint32_t format, uint32_t mipCount, RGLObjectTexture** out,
                       uint32_t* outMipCount, FILE* pixels, uint32_t bytesPerUnit, bool blockCompressed);
    void DeleteTexture(RGLObjectTexture* texture);
    // See RRenderer::LockTexture and RRenderer::UnlockTexture.
    uint8_t* LockTexture(RGLObjectTexture* texture, uint32_t level);
    void UnlockTexture(RGLObjectTexture* texture, uint32_t level);
    // A framebuffer drawing into the colour texture's first level, without depth; null without a context.
    RGLObjectRenderTarget* CreateFramebuffer(RGLObjectTexture* colour);
    // A GL_DEPTH24_STENCIL8 renderbuffer of width x height attached to the framebuffer. The framebuffer bound
    // before stays bound.
    RGLObjectRenderBuffer* AttachDepthStencil(RGLObjectRenderTarget* framebuffer, uint32_t width, uint32_t height);
    void DeleteFramebuffer(RGLObjectRenderTarget* framebuffer);
    void DeleteRenderbuffer(RGLObjectRenderBuffer* renderbuffer);
    // Binds the framebuffer (null: the back buffer) for drawing.
    void BindFramebuffer(const RGLObjectRenderTarget* framebuffer);
    // The size of what is bound for drawing, as the renderer last bound it.
    void SetTargetSize(uint32_t width, uint32_t height)
    {
        m_targetWidth = width;
        m_targetHeight = height;
    }
    uint32_t GetTargetWidth() const { return m_targetWidth; }
    uint32_t GetTargetHeight() const { return m_targetHeight; }

    // Buffers, the vertex and index binding and draws (RGLDeviceBuffers.cpp); see the renderer's operations of
    // the same names.
    RGLObjectVertexBuffer* CreateVertexBuffer(uint32_t size, bool dynamic);
    void* MapVertexBuffer(RGLObjectVertexBuffer* buffer, bool writeOnly);
    void UnmapVertexBuffer(RGLObjectVertexBuffer* buffer);
    // Deletes the GL buffer; a vertex set bound through it is forgotten first.
    void DeleteVertexBuffer(RGLObjectVertexBuffer* buffer);
    // A declaration going away: a vertex set bound with it is forgotten.
    void ForgetDeclaration(const RGLObjectVertexDeclaration* declaration);
    RGLObjectIndexBuffer* CreateIndexBuffer(uint32_t size, bool dynamic);
    void* MapIndexBuffer(RGLObjectIndexBuffer* buffer);
    void UnmapIndexBuffer(RGLObjectIndexBuffer* buffer);
    // Deletes the GL buffer; the index binding is forgotten first when it uses it.
    void DeleteIndexBuffer(RGLObjectIndexBuffer* buffer);
    // Binds the set's streams for the pass (null: none), as RRenderer::BindVertexSet describes.
    void BindVertexSet(const RVertexSet* set, const RGLObjectTechniquePass* pass);
    void BindIndexBuffer(const RIndexBuffer* buffer);
    void DrawIndexedTriangles(int32_t count);
    void DrawIndexedLines(int32_t count);
    void DrawIndexedPoints(int32_t count);
    // Forgets the bound vertex set and disables the attribute locations it had enabled.
    void ForgetVertexBinding();
    void ForgetIndexBinding();
    const RVertexSet* GetBoundVertexSet() const { return m_boundVertexSet; }
    const RIndexBuffer* GetBoundIndexBuffer() const { return m_boundIndexBuffer; }
    const RGLObjectTechniquePass* GetBoundPass() const { return m_boundPass; }

    // Programs and uniforms (RGLDevicePrograms.cpp).
    //
    // Compiles the pass's two shaders from their sources, links its program into the pass's name and raises
    // its linked flag when all three steps worked; each failing step adds its GL report to the pass's build
    // report, headed by the file names given.
    void BuildProgram(RGLObjectTechniquePass* pass, const char* techniqueName, const char* vertexText,
                      uint32_t vertexLength, const RString& vertexName, const char* pixelText, uint32_t pixelLength,
                      const RString& pixelName);
    // Makes a handle (created through RGLObjMgr) for every active uniform of the pass's linked program whose name,
    // cut at 63 characters, the pass does not hold yet.
    void ListUniforms(RGLObjectTechniquePass* pass);
    // Whether the linked program of the pass has a uniform of that name with a location.
    bool HasUniformLocation(const RGLObjectTechniquePass* pass, const char* name);
    // Detaches and deletes the pass's shaders and program.
    void DeleteProgram(RGLObjectTechniquePass* pass);
    // The pass's program in use (null or an unlinked pass: none).
    void UseProgram(const RGLObjectTechniquePass* pass);
    // Uniform uploads into the program in use; see the renderer's SetUniform operations.
    void SetUniformBool(const RGLObjectShaderParamHandle* handle, bool value);
    void SetUniformBoolArray(const RGLObjectShaderParamHandle* handle, const int32_t* values, int32_t count);
    void SetUniformInt(const RGLObjectShaderParamHandle* handle, int32_t value);
    void SetUniformIntArray(const RGLObjectShaderParamHandle* handle, const int32_t* values, int32_t count);
    void SetUniformFloat(const RGLObjectShaderParamHandle* handle, float value);
    void SetUniformFloatArray(const RGLObjectShaderParamHandle* handle, const float* values, int32_t count);
    void SetUniformVector(const RGLObjectShaderParamHandle* handle, const RVector4* value);
    void SetUniformVectorArray(const RGLObjectShaderParamHandle* handle, const RVector4* values, int32_t count);
    void SetUniformMatrix(const RGLObjectShaderParamHandle* handle, const RMatrix4* value);
    void SetUniformMatrixArray(const RGLObjectShaderParamHandle* handle, const RMatrix4* values, int32_t count);
    // Binds the texture to the unit of the handle's sampler and points the sampler uniform at it; false, with
    // nothing bound, for a handle that is no 2D sampler with a unit the GL has. The texture's sampler states are
    // the caller's next step.
    bool BindSamplerTexture(const RGLObjectShaderParamHandle* handle, const RGLObjectTexture* texture);
    // Leaves the unit of the handle's sampler with no 2D texture, and unit 0 active.
    void UnbindSamplerTexture(const RGLObjectShaderParamHandle* handle);

    // Render and sampler states (RGLDeviceStates.cpp). The keyword conversions are those of RRenderer.
    void ApplyRenderStates(const RGLObjectTechniquePass* pass);
    // Applies the pass's sampler section of the uniform to the 2D texture bound on the active unit; textureLevels
    // is how many levels that texture has (a mip filter is used only above one).
    void ApplySamplerStates(const RGLObjectTechniquePass* pass, RHashedString uniformName, uint32_t textureLevels);
    static uint32_t ParseCompareFunc(RHashedString value);
    static uint32_t ParseBlendFactor(RHashedString value);
    static bool ParseCullMode(RHashedString value, uint32_t* frontFace, bool* cullEnable);
    static uint32_t ParseFillMode(RHashedString value);
    static bool ParseBool(RHashedString value);
    void ApplyEnable(RHashedString value, uint32_t capability);
    static uint32_t ParseAddressMode(RHashedString value);
    static uint32_t ParseFilter(RHashedString value);
    static void ParseBorderColor(const char* value, float rgba[4]);

private:
    void RestoreIndexBinding();

    SDL_GLContext m_context = nullptr;
    bool m_arbFramebuffer = false;
    bool m_extFramebuffer = false;
    // GL limits read when the context is made.
    uint32_t m_maxTextureSize = 0;
    uint32_t m_maxVertexAttributes = 0;
    uint32_t m_targetWidth = 0;
    uint32_t m_targetHeight = 0;
    uint32_t m_boundVertexCount = 0;
    int32_t m_boundIndexCount = 0;
    const RVertexSet* m_boundVertexSet = nullptr;
    const RIndexBuffer* m_boundIndexBuffer = nullptr;
    // What the bound vertex set was bound for: the pass and its program.
    const RGLObjectTechniquePass* m_boundPass = nullptr;
    uint32_t m_boundProgram = 0;
    // Attribute locations the last BindVertexSet enabled, one bit each.
    uint64_t m_enabledAttributes = 0;
};
