// RPassMaterialHost: what the pass materials and backdrops ask of the game object: its tate mode and brightness,
// the pictures of the title and calibration screens with their placement, the render group of the depth
// backdrop, and the factories that make the depth backdrop's quad and material (so a game may replace them). The
// game object implements it and makes itself current; with none current, a built-in host gives the engine's
// base answers. The current host is pointed at, not owned. Main thread only.
#pragma once

#include <cstdint>

#include "core/types/RHashedString.h"

class RMaterial;
class RRenderable;

class RPassMaterialHost {
public:
    RPassMaterialHost() = default;
    // A host going away stops being current.
    virtual ~RPassMaterialHost();
    RPassMaterialHost(const RPassMaterialHost&) = delete;
    RPassMaterialHost& operator=(const RPassMaterialHost&) = delete;

    // The current host, else the built-in one; never null.
    static RPassMaterialHost* GetCurrent();
    static void SetCurrent(RPassMaterialHost* host) { s_current = host; }

    // Quarter turns of the finished picture, 0 to 3 ("Tate").
    virtual int32_t GetTateMode() const { return 0; }
    // The factor the final pass multiplies the picture by.
    virtual float GetBrightness() const { return 1.0f; }

    virtual const char* GetDefaultTitleScreenTextureFilename() const { return "default_title.dds"; }
    virtual float GetDefaultTitleScreenScale() const { return 0.5f; }
    virtual float GetDefaultTitleScreenOffset() const { return 0.35f; }
    virtual const char* GetDefaultCalibrationTextureFilename() const { return "default_calibration.dds"; }
    virtual float GetDefaultCalibrationScale() const { return 0.45f; }
    virtual float GetDefaultCalibrationOffset() const { return 0.3f; }

    // The render group the depth backdrop draws in (the empty name, no group, in the built-in host).
    virtual RHashedString GetDefaultBackdropGroupName() const { return RHashedString(); }
    // A new RDepthBackdropMaterial and a new RDepthBackdropQuad; the caller owns each.
    virtual RMaterial* GetNewDepthBackdropMaterial();
    virtual RRenderable* GetNewDepthBackdropRenderable();

private:
    static RPassMaterialHost* s_current;
};
