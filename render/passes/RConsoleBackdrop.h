// RConsoleBackdrop: the shaded panel behind the console, hanging from the top of the screen. Its four corners
// span x -1 to 1 (clip units) and y 0 to 1 and are scaled by its transform, so that after SetHeight (h) it covers
// h screen pixels from the top; its effect places it with "wvpMat" (the transform, which the panel answers
// itself) and the material's "invHalfScreenHeight". It owns its vertex set and index buffer; its material is set
// and owned by whoever made the panel.
#pragma once

#include "core/types/RMath.h"
#include "render/geometry/RMesh.h"

class RConsoleBackdrop : public RMesh {
public:
    // Builds the panel with the console's colours (black, opaque at the left and three-quarter opaque at the
    // right, with a dark grey lower edge) and an identity transform. Without a GL context it has no geometry.
    RConsoleBackdrop();
    // Deletes the vertex set and the index buffer.
    ~RConsoleBackdrop() override;
    RConsoleBackdrop(const RConsoleBackdrop&) = delete;
    RConsoleBackdrop& operator=(const RConsoleBackdrop&) = delete;

    // The panel hangs height pixels down from the top of the screen: transform = scale (1, -height, 0).
    void SetHeight(float height);
    const RMatrix4& GetTransform() const { return m_transform; }

    // "wvpMat" the transform; other names go to the chained informant.
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override;

protected:
    // Rewrites the four corner colours (packed 0xAARRGGBB) in the colour stream. False when the panel has no
    // geometry or the stream cannot be mapped.
    bool SetCornerColours(const uint32_t colours[4]);

private:
    RMatrix4 m_transform;
};
