// RGLObject and its subclasses: the small records that wrap every GL name the renderer creates. A wrapper never
// deletes its GL object: the renderer's delete operations call glDelete* and then drop the wrapper through
// RGLObjMgr, which lists every live wrapper. Whoever created a wrapper through the renderer owns it.
#pragma once

#include <cstdint>

#include "core/RHashedString.h"
#include "core/RUtilMap.h"
#include "render/RStreamUsage.h"

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

// One pass of an effect technique: its linked program (in the name field), its two shaders and the map from
// vertex semantic to the vertex-shader attribute that receives it, which the vertex binding reads. The effect
// loader fills it.
class RGLObjectTechniquePass : public RGLObject {
public:
    uint32_t vertexShader = 0;
    uint32_t fragmentShader = 0;
    RUtilMap<RHashedString, StreamUsage> attributes;
};
