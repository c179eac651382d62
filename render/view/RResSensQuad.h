// RResSensQuad: a full-screen quad mesh rebuilt whenever the screen resolution changes, sized as fractions of that
// resolution or, with the follow-window flag, of the window. The quad owns the vertex set and index buffer it
// builds and frees them when it rebuilds or goes. Whoever creates it owns it.
#pragma once

#include <cstdint>

#include "render/geometry/RMesh.h"
#include "render/view/RResolutionSensitive.h"

class RResSensQuad : public RMesh, public RResolutionSensitive {
public:
    // Fractions 1 and 1, following the screen resolution; built at once at the current one.
    RResSensQuad();
    RResSensQuad(bool followWindow, float xFraction, float yFraction);
    ~RResSensQuad() override;
    RResSensQuad(const RResSensQuad&) = delete;
    RResSensQuad& operator=(const RResSensQuad&) = delete;

    void OnResolutionChanged(int32_t width, int32_t height) override;

    // Frees the geometry, then builds a full-screen quad at int(width x x fraction) x int(height x y fraction),
    // taking the window's size instead of the one given when the quad follows the window. False when the
    // geometry could not be built (the quad then has none).
    bool Rebuild(int32_t width, int32_t height);
    // Destroys and deletes the vertex set and the index buffer; both pointers become null.
    void FreeGeometry();

    int32_t GetScaledWidth(int32_t width) const { return ScaleSize(width, m_xFraction); }
    int32_t GetScaledHeight(int32_t height) const { return ScaleSize(height, m_yFraction); }
    float GetXFraction() const { return m_xFraction; }
    float GetYFraction() const { return m_yFraction; }
    bool FollowsWindow() const { return m_followWindow != 0; }

private:
    float m_xFraction = 1.0f;
    float m_yFraction = 1.0f;
    uint8_t m_followWindow = 0;
};
