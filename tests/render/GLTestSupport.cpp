#include "GLTestSupport.h"

#include "../TestDisplay.h"

#include "core/types/RHashedString.h"
#include "render/device/RGLObjMgr.h"
#include "render/effects/RShaderMgr.h"
#include "render/images/RTexMgr.h"

namespace gltest {

namespace {

SDL_Window* s_window = nullptr;

// Frees what the GL tests made, so that the leak checker sees only what system libraries keep.
class GLTestEnvironment : public ::testing::Environment {
public:
    void TearDown() override
    {
        // The engine's shut-down order: the GL object manager and the renderer before the texture and shader
        // managers.
        RGLObjMgr::DestroyInstance();
        RRenderer::DestroyInstance();
        RTexMgr::DestroyInstance();
        RShaderMgr::DestroyInstance();
        // The video subsystem stays up: quitting it unloads the GL driver, and the leak checker then reports
        // the driver's own allocations, still referenced from its unloaded data, as lost.
        if (s_window) {
            SDL_DestroyWindow(s_window);
            s_window = nullptr;
        }
        RHashedStringTable::Destroy();
    }
};

::testing::Environment* const s_environment = ::testing::AddGlobalTestEnvironment(new GLTestEnvironment);

GLuint Compile(GLenum kind, const char* source)
{
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint status = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    EXPECT_EQ(status, GL_TRUE);
    return shader;
}

const char* const kVertexSource = "attribute vec3 pos; attribute vec4 col; varying vec4 colour;\n"
                                  "void main() { colour = col; gl_Position = vec4(pos, 1.0); gl_PointSize = 1.0; }\n";
const char* const kFragmentSource = "varying vec4 colour; void main() { gl_FragColor = colour; }\n";

}  // namespace

SDL_Window* Window()
{
    if (s_window)
        return s_window;
    if (!StartTestVideo())
        return nullptr;
    s_window = SDL_CreateWindow("Render tests", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWindowWidth,
                                kWindowHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    if (!s_window)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return s_window;
}

bool PrepareRenderer()
{
    SDL_Window* window = Window();
    if (!window)
        return false;
    RRenderer* renderer = RRenderer::GetInstance();
    if (!renderer->IsInitialised()) {
        uint32_t width = kWindowWidth;
        uint32_t height = kWindowHeight;
        if (!renderer->Init(window, &width, &height))
            return false;
    }
    renderer->SetCurrentTechniquePass(nullptr);
    renderer->BindVertexSet(nullptr);
    renderer->BindIndexBuffer(nullptr);
    renderer->BindDefaultTarget();
    renderer->SetDefaultState();
    glUseProgram(0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glStencilMask(0xFFFFFFFF);
    glDepthFunc(GL_LESS);
    glDepthRange(0.0, 1.0);
    while (glGetError() != GL_NO_ERROR) {
    }
    return true;
}

uint32_t ReadPixel(int x, int y)
{
    uint32_t pixel = 0;
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, y, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, &pixel);
    return pixel;
}

std::vector<uint32_t> ReadLevel(uint32_t textureName, int level, int* width, int* height)
{
    int w = LevelParameter(textureName, level, GL_TEXTURE_WIDTH);
    int h = LevelParameter(textureName, level, GL_TEXTURE_HEIGHT);
    if (width)
        *width = w;
    if (height)
        *height = h;
    std::vector<uint32_t> texels(static_cast<size_t>(w) * h);
    if (texels.empty())
        return texels;
    glBindTexture(GL_TEXTURE_2D, textureName);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, level, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texels;
}

GLint TextureParameter(uint32_t textureName, GLenum parameter)
{
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, textureName);
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
}

GLint LevelParameter(uint32_t textureName, int level, GLenum parameter)
{
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, textureName);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, parameter, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
}

FILE* FileWith(const std::vector<uint8_t>& bytes)
{
    FILE* file = tmpfile();
    if (!file)
        return nullptr;
    if (!bytes.empty() && fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        fclose(file);
        return nullptr;
    }
    rewind(file);
    return file;
}

ColourPass::ColourPass(int positionLocation, int colourLocation)
{
    GLuint vertexShader = Compile(GL_VERTEX_SHADER, kVertexSource);
    GLuint fragmentShader = Compile(GL_FRAGMENT_SHADER, kFragmentSource);
    GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    if (positionLocation >= 0)
        glBindAttribLocation(program, positionLocation, "pos");
    if (colourLocation >= 0)
        glBindAttribLocation(program, colourLocation, "col");
    glLinkProgram(program);
    GLint status = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    m_linked = status == GL_TRUE;
    m_pass.name = program;
    m_pass.vertexShader = vertexShader;
    m_pass.fragmentShader = fragmentShader;
    m_pass.attributes.insert(RHashedString("pos", true), STREAM_POSITION);
    m_pass.attributes.insert(RHashedString("col", true), STREAM_COLOR);
}

ColourPass::~ColourPass()
{
    if (RRenderer::GetInstance()->GetCurrentTechniquePass() == &m_pass)
        RRenderer::GetInstance()->SetCurrentTechniquePass(nullptr);
    if (!RRenderer::GetInstance()->GetContext())
        return;
    glUseProgram(0);
    glDetachShader(m_pass.name, m_pass.vertexShader);
    glDetachShader(m_pass.name, m_pass.fragmentShader);
    glDeleteProgram(m_pass.name);
    glDeleteShader(m_pass.vertexShader);
    glDeleteShader(m_pass.fragmentShader);
}

void ColourPass::Use()
{
    glUseProgram(m_pass.name);
    RRenderer::GetInstance()->SetCurrentTechniquePass(&m_pass);
}

}  // namespace gltest
