// Shared window, GL context and helpers for the renderer tests: one SDL window per test process, the renderer
// initialised on it (again after a test that shut it down), pixel read-back and a small colour program.
#pragma once

#include <GL/glew.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "render/device/RGLObject.h"
#include "render/frame/RRenderer.h"

namespace gltest {

constexpr int kWindowWidth = 64;
constexpr int kWindowHeight = 48;

// The test window, created on first use; null when no display is available.
SDL_Window* Window();

// Initialises the renderer on the test window when it is not, and puts back the state each test starts from.
bool PrepareRenderer();

// One pixel of the bound read framebuffer as a packed colour 0xAARRGGBB (y from the bottom).
uint32_t ReadPixel(int x, int y);

// A texture level read back as packed colours, row by row from the top.
std::vector<uint32_t> ReadLevel(uint32_t textureName, int level, int* width = nullptr, int* height = nullptr);
GLint TextureParameter(uint32_t textureName, GLenum parameter);
GLint LevelParameter(uint32_t textureName, int level, GLenum parameter);

// A temporary file holding bytes, positioned at its start; closed by the caller.
FILE* FileWith(const std::vector<uint8_t>& bytes);

// A technique pass drawing the vertex colour at the vertex position: attribute "pos" takes POSITION, "col"
// takes COLOR. Locations are pinned when given (>= 0) and left to the linker otherwise.
class ColourPass {
public:
    explicit ColourPass(int positionLocation = -1, int colourLocation = -1);
    ~ColourPass();
    ColourPass(const ColourPass&) = delete;
    ColourPass& operator=(const ColourPass&) = delete;

    // glUseProgram and the renderer's current technique pass.
    void Use();
    RGLObjectTechniquePass* Pass() { return &m_pass; }
    bool Linked() const { return m_linked; }

private:
    RGLObjectTechniquePass m_pass;
    bool m_linked = false;
};

// NDC coordinate of a pixel centre along a side of n pixels.
inline float PixelCentre(int pixel, int n)
{
    return (pixel + 0.5f) / n * 2.0f - 1.0f;
}

class GLTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!PrepareRenderer())
            GTEST_SKIP() << "no OpenGL display";
        renderer = RRenderer::GetInstance();
    }

    RRenderer* renderer = nullptr;
};

}  // namespace gltest
