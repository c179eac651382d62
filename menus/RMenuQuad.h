// RMenuQuad: one rectangle in the 1,024 x 768 menu space, drawn with a menu-space HUD material: a button's quad or
// a menu's underlay panel. The rectangle and colour may change every frame; the quad rewrites its one-quad batch
// each time it is drawn. It owns its batch; its material belongs to its owner (the entry or menu that made it).
// Main thread only.
#pragma once

#include <cstdint>

#include "render/geometry/RMesh.h"

class RMenuQuad : public RMesh {
public:
    // How the second texture coordinate is filled: a button quad takes the corner's place again, an underlay
    // panel takes its size in menu units (which its effect tiles the panel texture by).
    enum Kind { kButton, kPanel };

    // The batch is made when a GL context exists; without one the quad draws nothing.
    explicit RMenuQuad(Kind kind);
    ~RMenuQuad() override;
    RMenuQuad(const RMenuQuad&) = delete;
    RMenuQuad& operator=(const RMenuQuad&) = delete;

    // Left, top, width and height in menu units (y down); negative sizes count as 0.
    void SetRect(float left, float top, float width, float height);
    // Packed 0xAARRGGBB, multiplied into the material's texture.
    void SetColour(uint32_t colour) { m_colour = colour; }
    uint32_t GetColour() const { return m_colour; }
    float GetLeft() const { return m_left; }
    float GetTop() const { return m_top; }
    float GetWidth() const { return m_width; }
    float GetHeight() const { return m_height; }

    void RenderWith(RRenderer* renderer, RRenderableInst* instance) override;
    void ReleaseDynamic() override;
    void RenewDynamic() override;

private:
    Kind m_kind;
    float m_left = 0.0f;
    float m_top = 0.0f;
    float m_width = 0.0f;
    float m_height = 0.0f;
    uint32_t m_colour = 0xFFFFFFFFu;
};
