// RShaderMgr: the loaded effects, shared by hashed name with reference counts, so that the many materials naming
// one effect load it once. The manager owns every effect it stores; an effect lives until its count falls below
// 1 or the manager is destroyed. A singleton, main thread only; materials reach it through RRenderer::LoadShader
// and RRenderer::UnloadShader.
#pragma once

#include <cstdint>

#include "core/types/RHashedString.h"
#include "core/types/RUtilMap.h"

class RShader;

class RShaderMgr {
public:
    struct RRefCtdShader {
        RShader* shader = nullptr;
        int32_t referenceCount = 0;
    };

    // The manager, created empty on first use.
    static RShaderMgr* GetInstance();
    static bool HasInstance() { return s_instance != nullptr; }
    // Deletes every effect still loaded, whatever its count, and the manager. Safe after the renderer and the
    // GL object manager are gone: the effects then only drop their records.
    static void DestroyInstance();

    // One reference more on the effect loaded under name; a new name loads it from fileName with count 1 (a
    // known name returns its effect whatever the file name). Null for a null file name, and when the name's
    // count cannot go higher (then unchanged).
    RShader* LoadShader(const char* fileName, RHashedString name);
    // One reference less; the effect is deleted when its count falls below 1. Unknown names are ignored.
    void UnloadShader(RHashedString name);
    bool Exists(RHashedString name) const;
    // The effect loaded under name without a new reference, or null.
    RShader* Find(RHashedString name) const;
    // The name's reference count, 0 when nothing is loaded under it.
    int32_t GetReferenceCount(RHashedString name) const;
    int32_t GetCount() const { return m_shaders.getCount(); }

    // RShader::ResetParams on every loaded effect, in key order.
    void ResetAllShaderParams();
    // RShader::OnDeviceLost or RShader::OnDeviceReset on every loaded effect, in key order.
    void OnDeviceLost();
    void OnDeviceReset();

private:
    RShaderMgr() = default;
    ~RShaderMgr();
    RShaderMgr(const RShaderMgr&) = delete;
    RShaderMgr& operator=(const RShaderMgr&) = delete;

    RUtilMap<RRefCtdShader, RHashedString> m_shaders;

    static RShaderMgr* s_instance;
};
