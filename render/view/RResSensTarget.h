// RResSensTarget: a render target sized as fractions of the screen resolution. A resolution change only rewrites
// its recorded size; the next device reset re-creates its GL side at that size. Whoever creates it owns it.
#pragma once

#include <cstdint>

#include "core/types/RHashedString.h"
#include "render/frame/RRenderTarget.h"
#include "render/view/RResolutionSensitive.h"

class RResSensTarget : public RResolutionSensitive, public RRenderTarget {
public:
    // Created at once (RRenderTarget::Create) at int(screen width x x fraction) x int(screen height x y
    // fraction) of the current resolution; fractions 1 and 1 when not given.
    RResSensTarget(RHashedString targetName, uint32_t targetFormat, uint8_t targetFlag, uint8_t depthFlag);
    RResSensTarget(RHashedString targetName, uint32_t targetFormat, uint8_t targetFlag, uint8_t depthFlag,
                   float xFraction, float yFraction);
    // Leaves the resolution list first, then the target is destroyed and leaves the renderer's list.
    ~RResSensTarget() override;

    // Rewrites the recorded size; GL is not touched until the next device reset.
    void OnResolutionChanged(int32_t width, int32_t height) override;

    int32_t GetScaledWidth(int32_t width) const { return ScaleSize(width, m_xFraction); }
    int32_t GetScaledHeight(int32_t height) const { return ScaleSize(height, m_yFraction); }
    float GetXFraction() const { return m_xFraction; }
    float GetYFraction() const { return m_yFraction; }

private:
    float m_xFraction = 1.0f;
    float m_yFraction = 1.0f;
};
