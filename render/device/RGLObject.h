// RGLObject and its subclasses: the small records that wrap every GL name the device creates. A wrapper never
// deletes its GL object: the renderer's delete operations have the device delete it and then drop the wrapper
// through RGLObjMgr, which lists every live wrapper. Whoever created a wrapper through the renderer owns it.
#pragma once

#include <cstdint>

#include "core/types/RHashedString.h"
#include "core/text/RINIFile.h"
#include "core/types/RString.h"
#include "core/types/RUtilMap.h"
#include "core/types/RUtilVector.h"
#include "render/geometry/RStreamUsage.h"

class RGLObject {
public:
    virtual ~RGLObject() = default;

    uint32_t name = 0;  // the GL object name
};

// A 2D texture. The copy buffer holds a locked level's texels (4 bytes each, B, G, R, A) between
// RRenderer::LockTexture and RRenderer::UnlockTexture; it is sized for the base level, enough for any level.
class RGLObjectTexture : public RGLObject {
public:
    ~RGLObjectTexture() override { delete[] copyBuffer; }

    uint32_t width = 0;  // of the base level
    uint32_t height = 0;
    uint32_t internalFormat = 0;
    uint32_t pixelType = 0;
    uint8_t* copyBuffer = nullptr;  // null when not locked
    uint64_t copyBufferSize = 0;    // width x height x 4
};

class RGLObjectIndexBuffer : public RGLObject {
public:
    bool dynamic = false;
};

class RGLObjectVertexBuffer : public RGLObject {
public:
    bool dynamic = false;
};

// Stands for a vertex layout; GL needs none, so its name stays 0.
class RGLObjectVertexDeclaration : public RGLObject {};

class RGLObjectRenderBuffer : public RGLObject {};

class RGLObjectRenderTarget : public RGLObject {};

class RGLObjectSampler;

// One active uniform of a linked program: where it lives, what the GL reports of it and, for a texture uniform
// the state file declares, the sampler that gives it a texture unit. Held by its pass, destroyed with it.
class RGLObjectShaderParamHandle : public RGLObject {
public:
    int32_t location = -1;
    RGLObjectSampler* sampler = nullptr;  // null unless the uniform is a declared texture
    uint32_t index = 0;                   // the active-uniform index
    int32_t arraySize = 0;
    uint32_t glType = 0;
};

// The texture unit a texture uniform samples from, and the uniform's name (its sampler section).
class RGLObjectSampler : public RGLObject {
public:
    int32_t textureUnit = -1;  // -1 until assigned
    RHashedString uniformName;
};

// One pass of an effect technique: its linked program (in the name field), its two shaders, its uniforms, its
// state file and what was read from it: the map from vertex semantic to the vertex-shader attribute that receives
// it (read by the vertex binding), the render states applied when the pass begins and the sampler states applied
// when a texture is bound to one of its texture uniforms. The effect loader fills it; its handles (and their
// samplers) are destroyed with it by RRenderer::DestroyEffect.
class RGLObjectTechniquePass : public RGLObject {
public:
    // The semantic an "Attributes" value names: POSITION, NORMAL, COLOR, TANGENT, BINORMAL, BLENDINDICES,
    // BLENDWEIGHT (each matched on its first characters, any case) or TEXCOORD0 to TEXCOORD7 (the last
    // character is the index); anything else, TEXCOORD8 and TEXCOORD9 included, is STREAM_UNRECOGNISED.
    static StreamUsage ParseStreamUsage(const char* value);

    // Each empties its map and fills it from the loaded state file: "Attributes" (a later key id wins a usage
    // given twice), "RenderStates" (also marked in the render-state registry), and every other section except
    // "Uniforms" as a sampler section.
    void ReadAttributes();
    void ReadRenderStates();
    void ReadSamplerStates();

    uint32_t vertexShader = 0;
    uint32_t fragmentShader = 0;
    // Uniform name as the GL reports it (interned case-sensitively) to its handle.
    RUtilMap<RGLObjectShaderParamHandle*, RHashedString> uniformHandles;
    RString passName;
    RINIFile stateFile;  // loaded with case-sensitive section and key names
    RUtilMap<RHashedString, StreamUsage> attributes;
    RUtilMap<RHashedString, RHashedString> renderStates;  // state name to value
    RUtilMap<RUtilMap<RHashedString, RHashedString>, RHashedString> samplerStates;  // uniform to state to value
    int32_t nextTextureUnit = 0;  // the unit the next declared texture uniform gets while registering
    // Whether the program linked; a pass whose shaders are missing or broken is kept but never made current.
    bool linked = false;
    // Why the pass did not link: the compile and link reports, empty when it linked.
    RString buildReport;
};

// One technique of an effect: its name as the description spells it and its passes in file order, owned.
class RGLObjectTechnique : public RGLObject {
public:
    RString techniqueName;
    RUtilVector<RGLObjectTechniquePass*> passes;
};

// The GL side of one effect: its techniques in file order, owned. RRenderer::CreateEffect builds it and
// RRenderer::DestroyEffect deletes it with everything it holds.
class RGLObjectShader : public RGLObject {
public:
    RUtilVector<RGLObjectTechnique*> techniques;
};
