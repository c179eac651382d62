// RTexMgr: the named textures, shared by hashed name with reference counts. The manager owns every texture it
// stores; a texture lives until its count falls below 1 or the manager is destroyed. A name whose file could not
// be loaded is still stored and counted, but answered as absent (null). A singleton, main thread only; reached
// through the renderer's texture operations.
#pragma once

#include <cstdint>

#include "core/types/RHashedString.h"
#include "core/types/RUtilMap.h"

class RTexture;
class RGLObjectTexture;

class RTexMgr {
public:
    struct RRefCtdTexture {
        RTexture* texture = nullptr;
        int32_t referenceCount = 0;
    };

    // The manager, created on first use.
    static RTexMgr* GetInstance();
    static bool HasInstance() { return s_instance != nullptr; }
    // Deletes every texture and the manager.
    static void DestroyInstance();

    // One reference more on the texture stored under name, loading it from fileName when the name is new (a
    // known name returns its texture whatever the file name). Null for a null file name, and for a texture
    // without a GL texture, which is still stored and counted.
    RTexture* LoadTexture(const char* fileName, RHashedString name);
    // The same for a blank texture; a known name's size and format are not compared.
    RTexture* CreateTexture(uint32_t width, uint32_t height, uint32_t format, RHashedString name, bool mips,
                            bool dynamic, bool cube);
    // Puts a texture wrapping glTexture under name: a known name's texture is deleted and replaced with its
    // count kept, a new name is stored with count 1. Always true.
    bool ReplaceTexture(RGLObjectTexture* glTexture, RHashedString name);
    // One reference less; the texture is deleted when its count falls below 1. Unknown names are ignored.
    void UnloadTexture(RHashedString name);
    // Whether the name is stored, loaded or not.
    bool HasTexture(RHashedString name) const;
    // The stored texture without a new reference; null when unknown or without a GL texture.
    RTexture* GetTexture(RHashedString name) const;
    // The name's reference count, 0 when unknown.
    int32_t GetReferenceCount(RHashedString name) const;
    // Deletes every stored texture in key order, whatever its count, and empties the map.
    void DestroyAllTextures();

private:
    RTexMgr() = default;
    ~RTexMgr();
    RTexMgr(const RTexMgr&) = delete;
    RTexMgr& operator=(const RTexMgr&) = delete;

    // A stored texture one reference more, or null when the name is unknown.
    RTexture* AddReference(RHashedString name);
    static RTexture* Present(RTexture* texture);

    RUtilMap<RRefCtdTexture, RHashedString> m_textures;

    static RTexMgr* s_instance;
};
