// RRenderer: the program's renderer. It holds the frame bracket and flags, the back-buffer size, the callback
// lists told of device loss and reset, the render stages, passes and groups a frame is drawn through, and it lists
// (without owning) the device-dependent resources and render targets that a device reset releases and re-creates.
// It owns the GL device (render/device/RGLDevice), which holds the context on the game window and makes every GL
// call; the renderer's texture, target, buffer, effect, uniform and state operations go through it. A singleton,
// main thread only; the context is current on the main thread from Init until the renderer is destroyed.
//
// The delete operations are static: owners destroyed after the renderer (at shut-down) call them to drop their
// wrappers, and they touch GL only while a renderer with a live context exists, never creating one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <SDL_video.h>

#include "core/files/RStreamMgr.h"
#include "core/types/RHashedString.h"
#include "core/types/RString.h"
#include "core/types/RUtilVector.h"
#include "render/device/RTextureFormat.h"

class RGLDevice;
class RResource;
class RRenderTarget;
class RRenderStage;
class RRenderPass;
class RRenderGroup;
class RRenderableInterface;
class RRenderableInst;
struct RViewport;
class RVertexSet;
class RIndexBuffer;
class RTexture;
class RGLObjectTexture;
class RGLObjectRenderTarget;
class RGLObjectRenderBuffer;
class RGLObjectVertexBuffer;
class RGLObjectVertexDeclaration;
class RGLObjectIndexBuffer;
class RGLObjectTechniquePass;
class RGLObjectTechnique;
class RGLObjectShader;
class RGLObjectShaderParamHandle;
class RShader;
struct RMatrix4;
struct RVector4;
enum EShaderParamType : int32_t;

class RRenderer {
public:
    // Texture format codes (CreateTexture, render targets). Codes above kFirstCompressedFormat - 1 are
    // block-compressed.
    enum : uint32_t {
        FORMAT_RGB = RTextureFormat::RGB,
        FORMAT_RGBA = RTextureFormat::RGBA,
        FORMAT_RGBA16F = RTextureFormat::RGBA16F,
        FORMAT_RGBA32F = RTextureFormat::RGBA32F,
        FORMAT_R16F = RTextureFormat::R16F,
        FORMAT_DXT1 = RTextureFormat::DXT1,
        FORMAT_DXT3 = RTextureFormat::DXT3,
        FORMAT_DXT5 = RTextureFormat::DXT5,
        kFirstCompressedFormat = RTextureFormat::kFirstCompressed,
    };

    typedef void (*Callback)();

    // The renderer, created on first use with every list empty and no context.
    static RRenderer* GetInstance();
    static bool HasInstance() { return s_instance != nullptr; }
    // Shuts the renderer down (see ~RRenderer) and frees it.
    static void DestroyInstance();

    // Creates the GL context on the window, makes it current, loads the GL entry points and sets the default
    // state; the back buffer is width x height. False (and nothing kept) when the context cannot be made or the
    // GL lacks buffer objects, framebuffers or compressed textures. A second call on an initialised renderer
    // does nothing and answers true.
    bool Init(SDL_Window* window, const uint32_t* width, const uint32_t* height);
    // Front faces clockwise, back faces culled, depth writes and the depth test on.
    void SetDefaultState();
    // The device's renderer and version texts as the driver gives them, for reports; "" before Init.
    void GetDeviceDescription(char* renderer, size_t rendererSize, char* version, size_t versionSize) const;

    // The frame bracket. BeginFrame opens a frame only when none is open and the last one was presented;
    // EndFrame closes it; Present swaps the window's buffers only outside a frame. With the environment variable
    // ROLT_FIRST_FRAME_LINE set, the first swap after a stage was drawn prints the line "first frame".
    void BeginFrame();
    void EndFrame();
    void Present();

    // Re-creates everything device-dependent for a back buffer of width x height: pre-reset callbacks (unless
    // the device was lost), ReleaseDynamic on every resource, every listed target destroyed and re-created at
    // the size its record then holds, RenewDynamic, post-reset callbacks. The last two arguments are not read:
    // the fullscreen result stays as the caller preset it.
    void ResetDevice(SDL_Window* window, const uint32_t* width, const uint32_t* height, bool fullscreen,
                     bool* fullscreenFailed);
    // Raising the flag calls the device-lost callbacks (once, when it was down).
    void SetDeviceLost(bool lost);

    // Each function is listed once; callbacks run in the order they were added.
    void AddPreResetCallback(Callback callback);
    void AddPostResetCallback(Callback callback);
    void AddDeviceLostCallback(Callback callback);

    // Each resource is listed once.
    void RegisterResource(RResource* resource);
    void UnregisterResource(RResource* resource);
    void ReleaseAllDynamic();
    void RenewAllDynamic();

    // Clears the bound target: colour to the packed colour 0xAARRGGBB, depth to depthValue; a depth clear also
    // clears the stencil to 0 under the stencil write mask (and gives a bound render target that has no
    // depth-stencil renderbuffer yet its renderbuffer first). The colour and depth write masks are opened for the
    // clear and all three masks are left as they were.
    void Clear(bool colour, bool depth, uint32_t colourBytes, float depthValue);
    void ClearColourAndDepth(uint32_t colourBytes, float depthValue) { Clear(true, true, colourBytes, depthValue); }
    void ClearColour(uint32_t colourBytes) { Clear(true, false, colourBytes, 1.0f); }
    void ClearDepth(float depthValue) { Clear(false, true, 0xFF000000u, depthValue); }

    // Textures. CreateTexture makes a 2D texture of width x height in a format code with mipCount levels (0
    // counts as 1; more than a full chain is capped), each level half the previous one. With a file, every
    // level's data is read from it in turn: block-compressed formats (blockCompressed set, bytesPerUnit 8 for
    // DXT1 and 16 otherwise) as (w + 3) / 4 x (h + 3) / 4 blocks, RGB and RGBA as w x h texels of bytesPerUnit
    // 3 (B, G, R) or 4 (B, G, R, A) bytes. Without a file the levels are left undefined. *outMipCount gets the
    // mip count asked for, capped. False, with *out null and nothing created, for an unknown format, a side
    // of 0 or beyond the GL maximum, a data layout that does not fit the format, or a file holding too few
    // bytes. The dynamic flag is not read by this device.
    bool CreateTexture(uint32_t width, uint32_t height, uint32_t format, uint32_t mipCount, bool dynamic,
                       RGLObjectTexture** out, uint32_t* outMipCount, FILE* pixels, uint32_t bytesPerUnit,
                       bool blockCompressed);
    // Deletes the GL texture and the wrapper (with any copy buffer); *texture becomes null.
    static void DeleteTexture(RGLObjectTexture** texture);
    // Reads a level back into the texture's copy buffer as B, G, R, A bytes, that level's width x height
    // texels, and returns the buffer; null for a level the texture does not have.
    uint8_t* LockTexture(RGLObjectTexture* texture, uint32_t level);
    // Uploads the copy buffer to the level at that level's size and frees the buffer; nothing when not locked.
    void UnlockTexture(RGLObjectTexture* texture, uint32_t level);
    // Cube textures are not made on this device: *out becomes null and *outMipCount the mip count asked for.
    void CreateCubeTexture(uint32_t edge, uint32_t format, uint32_t mipCount, RGLObjectTexture** out,
                           uint32_t* outMipCount);
    void DestroyCubeTexture(RGLObjectTexture** texture) {}
    // Reads a DDS file found through the stream manager into a new 2D texture (a cube file gives its first face
    // and raises *cube); the outputs are written on success. False, with *out null and nothing allocated, when
    // the file is missing, its header is not a DDS header of a known format with sides the GL takes, or it holds
    // too few bytes for its levels. The file is looked up in the sources mode allows (RStreamMgr::SearchMode).
    // Defined with the texture manager (RRendererTexMgr.cpp).
    bool LoadDDS(const char* fileName, RGLObjectTexture** out, uint32_t* width, uint32_t* height,
                 uint32_t* mipCount, bool* cube, uint32_t mode = RStreamMgr::kPacksAndFolders);

    // Named textures, shared and counted by RTexMgr (created when missing); see RTexMgr for each operation.
    RTexture* LoadTexture(const char* fileName, RHashedString name);
    void UnloadTexture(RHashedString name);
    RTexture* CreateNamedTexture(uint32_t width, uint32_t height, uint32_t format, RHashedString name, bool mips,
                                 bool dynamic, bool cube);

    // Render targets. CreateRenderTarget makes the target's colour texture (one level) at the size and format
    // its record holds, a framebuffer and its GL_DEPTH24_STENCIL8 renderbuffer (raising the depth-attached flag),
    // and lists the target unless keepOutOfList (once). False, creating nothing, when the colour texture cannot be
    // made (the target is still listed).
    bool CreateRenderTarget(RRenderTarget* target, RGLObjectRenderTarget** fbo, RGLObjectTexture** colour,
                            RGLObjectRenderBuffer** depth, bool keepOutOfList);
    // Binds the target's framebuffer; at index 0 also the current target size and a full viewport. A target
    // without a framebuffer binds the back buffer at index 0 and nothing at others.
    void BindRenderTarget(RRenderTarget* target, uint32_t index);
    // Deletes the three GL objects and their wrappers and nulls the pointers; unless keepInList, the target
    // leaves the list.
    static void DestroyRenderTarget(RRenderTarget* target, RGLObjectRenderTarget** fbo, RGLObjectTexture** colour,
                                    RGLObjectRenderBuffer** depth, bool keepInList);
    void BindDefaultTarget();
    // Does nothing on this device: the buffer keeps what the caller put in it.
    void ReadRenderTargetPixels(RGLObjectTexture* colour, uint32_t* buffer) {}
    // Reads the bottom-left width x height pixels of the back buffer (before it is presented) into pixels as
    // B, G, R, A bytes (the packed colour), bottom row first. False without a context.
    bool ReadBackBufferPixels(uint32_t width, uint32_t height, uint32_t* pixels);

    // Vertex and index buffers. Create* make a GL buffer of size bytes (static or dynamic draw) and its
    // wrapper; Map* map the whole buffer (null when GL refuses) and Unmap* unmap it. None of them changes what
    // BindIndexBuffer has bound.
    bool CreateVertexBuffer(uint32_t size, bool dynamic, RGLObjectVertexBuffer** out);
    void* MapVertexBuffer(RGLObjectVertexBuffer* buffer, bool writeOnly);
    void UnmapVertexBuffer(RGLObjectVertexBuffer* buffer);
    static void DeleteVertexBuffer(RGLObjectVertexBuffer** buffer);
    void CreateVertexDeclaration(RGLObjectVertexDeclaration** out);
    static void DeleteVertexDeclaration(RGLObjectVertexDeclaration** declaration);
    bool CreateIndexBuffer(uint32_t size, bool dynamic, RGLObjectIndexBuffer** out);
    void* MapIndexBuffer(RGLObjectIndexBuffer* buffer);
    void UnmapIndexBuffer(RGLObjectIndexBuffer* buffer);
    static void DeleteIndexBuffer(RGLObjectIndexBuffer** buffer);

    // The technique pass being drawn (null between batches): its program and attribute map decide where
    // BindVertexSet puts each stream. BeginPass sets it and makes its program current.
    void SetCurrentTechniquePass(RGLObjectTechniquePass* pass) { m_currentTechniquePass = pass; }
    RGLObjectTechniquePass* GetCurrentTechniquePass() const { return m_currentTechniquePass; }

    // Binds each stream whose semantic the current pass declares to that attribute and disables every other
    // attribute location. Skipped when the same set is bound for the same pass and program. A set without
    // vertices (or null) binds nothing and leaves nothing to draw.
    void BindVertexSet(const RVertexSet* set);
    // Binds the index buffer; skipped when it is bound already. Null or a buffer without indices leaves no
    // index buffer bound, so indexed draws draw nothing.
    void BindIndexBuffer(const RIndexBuffer* buffer);
    // Indexed draws from the bound index buffer: count -1 draws every bound index, otherwise count primitives,
    // never more than are bound. Nothing without a bound vertex set and index buffer.
    void DrawIndexedTriangles(int32_t count);
    void DrawIndexedLines(int32_t count);
    // Points draw the bound vertices in order (count -1: all of them), never through an index buffer.
    void DrawIndexedPoints(int32_t count);

    // Effects (RRendererEffects.cpp). An effect file name F names its technique description, F less its last
    // four characters plus "_GLSL.xml"; each pass P of technique T reads that base plus "_T_P" and "_VS.glsl",
    // "_PS.glsl" and "_State.ini", all through the stream manager. None of these files is read beyond
    // kMaxEffectFileBytes: a larger one is refused unread, as if it could not be read.
    static constexpr uint32_t kMaxEffectFileBytes = 1u << 20;
    //
    // Builds the GL side of an effect: every named technique and pass of the description in file order, each
    // pass with its state file read and its program compiled and linked. A pass whose shader files are missing
    // gets no GL objects; a pass that does not compile or link keeps its objects. Either way it is created
    // unlinked, with its report in buildReport, and the load goes on. An effect that does not build whole (a
    // description that cannot be read or holds no technique, a technique without a pass, a state file that
    // cannot be read or names no vertex attribute, a pass that does not link) is named once, with each file at
    // fault and why, on standard error and in the safe log. When a folder held any of its files (a mod's, say)
    // and the packs hold its description, the effect also fails when it lacks a technique the packed
    // description names (one that materials may ask for); it is then built again from the packs alone, and
    // that effect takes its place when it builds whole. *out is null when the description is missing or no
    // context exists.
    void CreateEffect(const char* fileName, RGLObjectShader** out);
    // Gives the effect one RTechnique per distinct technique name and, for every linked pass, a parameter-set
    // wrapper and a handle per active uniform (names cut at 63 characters; a cut name that repeats one already
    // held gets none). Each "Uniforms" line of a pass's state file that parses and names an active uniform the
    // pass holds becomes a parameter of its scope; a texture gets a sampler with the pass's next texture unit.
    // A pass already registered is left as it is.
    void RegisterEffectParams(RShader* effect, RHashedString name, RGLObjectShader* glEffect);
    // Deletes every program and shader of the effect (while a context lives), then every handle, sampler, pass,
    // technique and the effect's wrapper. Current effect state pointing into it is cleared first (and no
    // program is left current). Safe after the renderer is gone.
    static void DestroyEffect(RGLObjectShader* glEffect);
    // The first technique of the effect's GL side whose name equals name without regard to case, or null.
    static RGLObjectTechnique* FindTechniqueByName(RShader* effect, const char* name);
    // The pass's handle of the uniform called name (case-sensitive); an array's base name also finds its
    // "name[0]" entry. Null when the pass holds none; the lookup adds nothing.
    static RGLObjectShaderParamHandle* GetShaderParamHandle(RGLObjectTechniquePass* pass, const char* name);

    // The effect being drawn. SetEffect takes the effect's GL side and clears the technique and the pass;
    // SetTechnique clears the pass; BeginTechnique clears the pass and answers the technique's pass count.
    void SetEffect(RShader* effect);
    void SetTechnique(RGLObjectTechnique* technique);
    uint32_t BeginTechnique();
    // Makes pass index of the current technique current: its program in use and its render states applied.
    // False, with no pass and no program current, when there is no such pass or it did not link.
    bool BeginPass(uint32_t index);
    // Clears the current pass; the states it set stay set.
    void EndPass();
    // Run for every loaded effect before and after a device reset: GL keeps programs across it, so nothing.
    void OnEffectLost(RShader* effect) {}
    void OnEffectReset(RShader* effect) {}
    RGLObjectShader* GetCurrentEffect() const { return m_currentEffect; }
    RGLObjectTechnique* GetCurrentTechnique() const { return m_currentTechnique; }
    uint32_t GetCurrentPassCount() const { return m_currentPassCount; }

    // Effects through the shader manager (RRendererShaders.cpp, created when missing): one reference more on the
    // effect loaded under name (loaded from fileName when the name is new), or one reference less.
    RShader* LoadShader(const char* fileName, RHashedString name);
    void UnloadShader(RHashedString name);

    // Uniform uploads of shader parameters (RRendererShaders.cpp), into the program in use, at the handle's
    // location. Each does nothing without a live context, for a handle without a location, and when the
    // uniform's GL type does not take the value (bool: bool or int uniforms; int: int, bool or sampler; float:
    // float or bool; vectors: float vectors of 2 to 4 components, from the first components; matrices: mat2 to
    // mat4, from the upper-left block; arrays only of their own element type). Arrays send the caller's count,
    // never more than the uniform's array size; a null array or a count below 1 sends nothing.
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
    // Binds the texture the texture manager holds under the name to the unit of the handle's sampler (on
    // GL_TEXTURE_2D), points the sampler uniform at that unit and applies the sampler states of the current
    // pass. Nothing for the empty name, a name the texture manager does not hold, a handle without a sampler
    // or a unit the GL does not have.
    void SetUniformTexture(const RGLObjectShaderParamHandle* handle, RHashedString textureName);
    // A texture parameter's unit is left with no 2D texture (and unit 0 active); other types keep their values.
    void ResetUniform(const RGLObjectShaderParamHandle* handle, EShaderParamType type);

    // Render and sampler states (RRendererStates.cpp). ApplyRenderStates applies the current pass's
    // "RenderStates": blending, alpha test, depth test, depth writes, depth function, fill mode and culling;
    // glBlendFunc only when both factors are given, glAlphaFunc only when the function is. ApplySamplerStates
    // applies the current pass's sampler section of the uniform to the texture bound to GL_TEXTURE_2D on the
    // active unit; the minifying filter is set only when MinFilter and MipFilter are both given, and takes the
    // mip filter only when the texture manager holds the texture with more than one level.
    void ApplyRenderStates();
    void ApplySamplerStates(RHashedString uniformName, RHashedString textureName);
    // Keyword conversions, by value id; values outside a table give its default (see the state-file format).
    static uint32_t ParseCompareFunc(RHashedString value);
    static uint32_t ParseBlendFactor(RHashedString value);
    // "None", "CW" or "CCW" give the front face and whether to cull; false, outputs untouched, for others.
    static bool ParseCullMode(RHashedString value, uint32_t* frontFace, bool* cullEnable);
    static uint32_t ParseFillMode(RHashedString value);
    static bool ParseBool(RHashedString value);
    // Enables the capability for "True", disables it otherwise (while a context lives).
    static void ApplyEnable(RHashedString value, uint32_t capability);
    static uint32_t ParseAddressMode(RHashedString value);
    static uint32_t ParseFilter(RHashedString value);
    // A "BorderColor" value "0xAARRGGBB" as red, green, blue, alpha in [0, 1]; a non-hexadecimal or missing
    // digit counts as -1.
    static void ParseBorderColor(const char* value, float rgba[4]);

    // Render stages, passes and groups (RRendererPasses.cpp), each found by id in creation order: a find answers
    // the first match or null; a create answers the existing record or appends a new one; adds append once and,
    // like removes, do nothing when a record is missing. Destroying a pass first takes it out of every stage, and
    // destroying a group out of every pass, so nothing is left pointing at a deleted record.
    //
    // Draws a frame: the stage's passes, or every pass in creation order for the empty id or an unknown one.
    // Each pass rebinds its targets only when they differ from the previous drawn pass's (or the current
    // render target changed), clears only then, as the first pass drawn, or with its clear-always flag, and sets
    // its viewport and depth range only when the targets changed or the viewport differs. Each enabled group is
    // sorted and drawn in batches sharing a technique. A pass drawing into a target without a GL side draws
    // nothing, nor does a renderable whose material chooses no technique for the pass. A target gets its
    // depth-stencil renderbuffer before the first pass whose renderables may test depth draws into it (a
    // technique pass that does not turn "ZEnable" off may); a depth clear of a target without one is skipped, as
    // it would change nothing. Raises the text-flush flag.
    void RenderStage(RHashedString stageId);
    RRenderStage* FindRenderStage(RHashedString id) const;
    RRenderStage* CreateRenderStage(RHashedString id);
    void AddPassToStage(RHashedString passId, RHashedString stageId);
    void RemovePassFromStage(RHashedString passId, RHashedString stageId);
    void DestroyRenderStage(RHashedString id);
    void DestroyAllRenderStages();
    RRenderPass* FindRenderPass(RHashedString id) const;
    RRenderPass* CreateRenderPass(RHashedString id);
    void AddGroupToPass(RHashedString groupId, RHashedString passId);
    void RemoveGroupFromPass(RHashedString groupId, RHashedString passId);
    void DestroyRenderPass(RHashedString id);
    RRenderGroup* FindRenderGroup(RHashedString id) const;
    RRenderGroup* CreateRenderGroup(RHashedString id);
    void AddRenderableToGroup(RRenderableInterface* renderable, RHashedString groupId);
    void RemoveRenderableFromGroup(RRenderableInterface* renderable, RHashedString groupId);
    // Renderable templates and instances call it when they are destroyed.
    void RemoveRenderableFromAllGroups(RRenderableInterface* renderable);
    void DestroyRenderGroup(RHashedString id);
    // The target a pass without targets draws into (null: the back buffer); kept from frame to frame.
    void SetCurrentRenderTarget(RRenderTarget* target) { m_currentRenderTarget = target; }
    RRenderTarget* GetCurrentRenderTarget() const { return m_currentRenderTarget; }
    // A target going away: out of every pass's targets and set-target passes, and no longer current.
    void ForgetRenderTarget(RRenderTarget* target);
    const RUtilVector<RRenderStage*>& GetRenderStages() const { return m_renderStages; }
    const RUtilVector<RRenderPass*>& GetRenderPasses() const { return m_renderPasses; }
    const RUtilVector<RRenderGroup*>& GetRenderGroups() const { return m_renderGroups; }
    // Up from the start and raised again by every RenderStage; fonts and glyph sets empty their queues while
    // it is up.
    bool IsTextFlushRaised() const { return m_textFlush; }

    // Names a content file that the renderer cannot use as it is, and why: the line on standard error and in the
    // safe log (when a logger exists). Effects and textures built from files report through it.
    static void ReportContentProblem(const RString& line);

    // Texts for a GL error code.
    static const char* GetGLErrorName(int32_t code);
    static const char* GetGLErrorDescription(int32_t code);

    SDL_Window* GetWindow() const { return m_window; }
    SDL_GLContext GetContext() const;
    bool HasARBFramebuffer() const;
    bool HasEXTFramebuffer() const;
    bool IsInitialised() const { return m_initialised; }
    bool IsDeviceLost() const { return m_deviceLost; }
    bool IsInFrame() const { return m_inFrame; }
    bool IsPresented() const { return m_presented; }
    uint32_t GetBackBufferWidth() const { return m_backBufferWidth; }
    uint32_t GetBackBufferHeight() const { return m_backBufferHeight; }
    uint32_t GetCurrentTargetWidth() const;
    uint32_t GetCurrentTargetHeight() const;
    const RVertexSet* GetBoundVertexSet() const;
    const RIndexBuffer* GetBoundIndexBuffer() const;
    const RUtilVector<RRenderTarget*>& GetRenderTargets() const { return m_renderTargets; }
    const RUtilVector<RResource*>& GetResources() const { return m_resources; }

private:
    RRenderer();
    // Runs Shutdown and deletes the device.
    ~RRenderer();
    RRenderer(const RRenderer&) = delete;
    RRenderer& operator=(const RRenderer&) = delete;

    // Deletes every stage, pass and group record and the GL side of every listed target while the context
    // lives, releases and deletes the context, then frees the lists. GL objects others still hold die with the
    // context; their owners' later deletes only drop wrappers.
    void Shutdown();
    // The renderer whose context may take GL calls, or null.
    static RRenderer* LiveInstance();
    static void RunCallbacks(const RUtilVector<Callback>& callbacks);
    // Effect building (RRendererEffects.cpp). ReadTechniques makes an effect of the description's named
    // techniques and passes, nothing built yet; BuildEffect also builds every pass. Both read from the sources
    // mode allows, say in *fromFolder whether a folder held any of the effect's files, and add to *problems a
    // line for each fault that keeps the effect from drawing whole (see CreateEffect).
    RGLObjectShader* ReadTechniques(const RString& descriptionName, uint32_t mode, bool* fromFolder,
                                    RString* problems);
    RGLObjectShader* BuildEffect(const RString& baseName, uint32_t mode, bool* fromFolder, RString* problems);
    // A line for each technique of the packed description of that name that the effect lacks; empty when none.
    RString MissingPackedTechniques(const RGLObjectShader* effect, const RString& descriptionName);
    // Stage drawing (RRendererPasses.cpp).
    // Binds the target at index 0 (null: the back buffer); the current target size is that of what its GL side
    // was made at, which a record rewritten since (a resolution change before the reset) no longer tells.
    void BindForDrawing(RRenderTarget* target);
    // BindForDrawing of the current render target.
    void BindCurrentTarget() { BindForDrawing(m_currentRenderTarget); }
    void ApplyViewport(const RViewport& viewport);
    void DrawGroup(RRenderGroup* group, RHashedString renderPassId);
    // Deletes every stage, pass and group record (the renderer's shut-down).
    void DeleteRenderRecords();

    RGLDevice* m_device;
    SDL_Window* m_window = nullptr;
    bool m_deviceLost = false;
    bool m_initialised = false;
    bool m_inFrame = false;
    bool m_presented = true;
    uint32_t m_backBufferWidth = 0;
    uint32_t m_backBufferHeight = 0;
    RGLObjectTechniquePass* m_currentTechniquePass = nullptr;
    RGLObjectShader* m_currentEffect = nullptr;
    RGLObjectTechnique* m_currentTechnique = nullptr;
    uint32_t m_currentPassCount = 0;
    RUtilVector<Callback> m_preResetCallbacks;
    RUtilVector<Callback> m_postResetCallbacks;
    RUtilVector<Callback> m_deviceLostCallbacks;
    RUtilVector<RRenderTarget*> m_renderTargets;
    RUtilVector<RResource*> m_resources;
    RUtilVector<RRenderStage*> m_renderStages;
    RUtilVector<RRenderPass*> m_renderPasses;
    RUtilVector<RRenderGroup*> m_renderGroups;
    // The run of instances DrawGroup hands to a template that draws runs; kept to reuse its storage.
    RUtilVector<RRenderableInst*> m_run;
    RRenderTarget* m_currentRenderTarget = nullptr;
    bool m_textFlush = true;
    // Raised by the first RenderStage, and by the first swap after it.
    bool m_stageDrawn = false;
    bool m_firstFrameShown = false;

    static RRenderer* s_instance;
};
