// RGLDevice: textures, framebuffers and their depth-stencil renderbuffers.
#include "render/device/RGLDevice.h"

#include <GL/glew.h>

#include <new>

#include "render/device/RGLObjMgr.h"
#include "render/device/RGLObject.h"
#include "render/device/RTextureFormat.h"

namespace {

// The GL internal format of a texture format code, or 0 for a code the device does not know.
GLenum InternalFormatOf(uint32_t format)
{
    switch (format) {
    case RTextureFormat::RGB:
        return GL_RGB;
    case RTextureFormat::RGBA:
        return GL_RGBA;
    case RTextureFormat::RGBA16F:
        return GL_RGBA16F;
    case RTextureFormat::RGBA32F:
        return GL_RGBA32F;
    case RTextureFormat::R16F:
        return GL_R16F;
    case RTextureFormat::DXT1:
        return GL_COMPRESSED_RGBA_S3TC_DXT1_EXT;
    case RTextureFormat::DXT3:
        return GL_COMPRESSED_RGBA_S3TC_DXT3_EXT;
    case RTextureFormat::DXT5:
        return GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
    default:
        return 0;
    }
}

uint32_t HalfOf(uint32_t side)
{
    return side > 1 ? side / 2 : 1;
}

// Levels of a full mip chain for a largest side: floor(log2(side)) + 1.
uint32_t FullChainLevels(uint32_t side)
{
    uint32_t levels = 1;
    while (side > 1) {
        side /= 2;
        ++levels;
    }
    return levels;
}

// The side of a level, or 0 when both sides reached 1 before it (the texture has no such level).
bool LevelSize(const RGLObjectTexture* texture, uint32_t level, uint32_t* width, uint32_t* height)
{
    if (level >= 32 || (level > 0 && (texture->width >> level) == 0 && (texture->height >> level) == 0))
        return false;
    *width = texture->width >> level ? texture->width >> level : 1;
    *height = texture->height >> level ? texture->height >> level : 1;
    return true;
}

// Bytes from the stream's position to its end; the largest value when the stream cannot tell (reads are
// still checked).
uint64_t BytesLeft(FILE* file)
{
    long position = ftell(file);
    if (position < 0 || fseek(file, 0, SEEK_END) != 0)
        return UINT64_MAX;
    long end = ftell(file);
    if (fseek(file, position, SEEK_SET) != 0)
        return 0;
    return end >= position ? static_cast<uint64_t>(end - position) : 0;
}

}  // namespace

bool RGLDevice::CreateTexture(uint32_t width, uint32_t height, uint32_t format, uint32_t mipCount,
                              RGLObjectTexture** out, uint32_t* outMipCount, FILE* pixels, uint32_t bytesPerUnit,
                              bool blockCompressed)
{
    if (!out)
        return false;
    *out = nullptr;
    GLenum internalFormat = InternalFormatOf(format);
    if (!m_context || !internalFormat)
        return false;
    if (width < 1 || height < 1 || width > m_maxTextureSize || height > m_maxTextureSize)
        return false;

    bool compressed = format >= RTextureFormat::kFirstCompressed;
    uint32_t levelCap = FullChainLevels(width > height ? width : height);
    uint32_t levelCount = mipCount < 1 ? 1 : (mipCount > levelCap ? levelCap : mipCount);
    uint32_t blockBytes = format == RTextureFormat::DXT1 ? 8 : 16;
    uint32_t unitBytes = compressed ? blockBytes : bytesPerUnit;
    GLenum uploadFormat = GL_BGRA;

    if (pixels) {
        if (blockCompressed != compressed)
            return false;
        if (compressed) {
            if (bytesPerUnit != blockBytes)
                return false;
        } else if (format != RTextureFormat::RGB && format != RTextureFormat::RGBA) {
            return false;
        } else if (bytesPerUnit == 3) {
            uploadFormat = GL_BGR;
        } else if (bytesPerUnit != 4) {
            return false;
        }
    }

    // Bytes of each level, computed in 64 bits; with a file they must all be there before anything is made.
    uint64_t levelBytes[32] = {};
    uint64_t totalBytes = 0;
    for (uint32_t level = 0, w = width, h = height; level < levelCount; ++level, w = HalfOf(w), h = HalfOf(h)) {
        levelBytes[level] = compressed ? static_cast<uint64_t>((w + 3) / 4) * ((h + 3) / 4) * blockBytes
                                       : static_cast<uint64_t>(w) * h * unitBytes;
        totalBytes += levelBytes[level];
    }
    uint8_t* data = nullptr;
    if (pixels) {
        if (BytesLeft(pixels) < totalBytes)
            return false;
        data = new (std::nothrow) uint8_t[levelBytes[0]];
        if (!data)
            return false;
    }

    GLuint name = 0;
    glActiveTexture(GL_TEXTURE0);
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levelCount - 1));
    GLint unpackAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    bool complete = true;
    for (uint32_t level = 0, w = width, h = height; level < levelCount; ++level, w = HalfOf(w), h = HalfOf(h)) {
        if (pixels && fread(data, 1, levelBytes[level], pixels) != levelBytes[level]) {
            complete = false;
            break;
        }
        if (compressed)
            glCompressedTexImage2D(GL_TEXTURE_2D, level, internalFormat, w, h, 0,
                                   static_cast<GLsizei>(levelBytes[level]), data);
        else
            glTexImage2D(GL_TEXTURE_2D, level, internalFormat, w, h, 0, uploadFormat, GL_UNSIGNED_BYTE, data);
    }

    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    glBindTexture(GL_TEXTURE_2D, 0);
    delete[] data;
    if (!complete) {
        glDeleteTextures(1, &name);
        return false;
    }

    RGLObjectTexture* texture = RGLObjMgr::GetInstance()->CreateObject<RGLObjectTexture>(name);
    texture->width = width;
    texture->height = height;
    texture->internalFormat = internalFormat;
    texture->pixelType = GL_UNSIGNED_BYTE;
    texture->copyBufferSize = static_cast<uint64_t>(width) * height * 4;
    *out = texture;
    if (outMipCount)
        *outMipCount = mipCount > levelCap ? levelCap : mipCount;
    return true;
}

void RGLDevice::DeleteTexture(RGLObjectTexture* texture)
{
    if (!m_context || !texture)
        return;
    GLuint name = texture->name;
    glDeleteTextures(1, &name);
}

uint8_t* RGLDevice::LockTexture(RGLObjectTexture* texture, uint32_t level)
{
    uint32_t width = 0;
    uint32_t height = 0;
    if (!m_context || !texture || !LevelSize(texture, level, &width, &height))
        return nullptr;

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture->name);
    // GL writes the level as it holds it: refuse one that is missing or larger than the copy buffer.
    GLint heldWidth = 0;
    GLint heldHeight = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &heldWidth);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &heldHeight);
    bool fits = heldWidth > 0 && heldHeight > 0 &&
                static_cast<uint64_t>(heldWidth) * static_cast<uint64_t>(heldHeight) * 4 <= texture->copyBufferSize;
    if (fits && !texture->copyBuffer)
        texture->copyBuffer = new (std::nothrow) uint8_t[texture->copyBufferSize]();
    if (!fits || !texture->copyBuffer) {
        glBindTexture(GL_TEXTURE_2D, 0);
        return nullptr;
    }
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, level, GL_BGRA, texture->pixelType, texture->copyBuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture->copyBuffer;
}

void RGLDevice::UnlockTexture(RGLObjectTexture* texture, uint32_t level)
{
    if (!texture || !texture->copyBuffer)
        return;
    uint32_t width = 0;
    uint32_t height = 0;
    if (m_context && LevelSize(texture, level, &width, &height)) {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, texture->name);
        GLint unpackAlignment = 4;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexImage2D(GL_TEXTURE_2D, level, texture->internalFormat, width, height, 0, GL_BGRA, texture->pixelType,
                     texture->copyBuffer);
        glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    delete[] texture->copyBuffer;
    texture->copyBuffer = nullptr;
}

RGLObjectRenderTarget* RGLDevice::CreateFramebuffer(RGLObjectTexture* colour)
{
    if (!m_context || !colour)
        return nullptr;
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour->name, 0);
    glCheckFramebufferStatus(GL_FRAMEBUFFER);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return RGLObjMgr::GetInstance()->CreateObject<RGLObjectRenderTarget>(framebuffer);
}

RGLObjectRenderBuffer* RGLDevice::AttachDepthStencil(RGLObjectRenderTarget* framebuffer, uint32_t width,
                                                     uint32_t height)
{
    if (!m_context || !framebuffer)
        return nullptr;
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    GLuint renderbuffer = 0;
    glGenRenderbuffers(1, &renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, static_cast<GLsizei>(width),
                          static_cast<GLsizei>(height));
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer->name);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(bound));
    return RGLObjMgr::GetInstance()->CreateObject<RGLObjectRenderBuffer>(renderbuffer);
}

void RGLDevice::DeleteFramebuffer(RGLObjectRenderTarget* framebuffer)
{
    if (!m_context || !framebuffer)
        return;
    GLuint name = framebuffer->name;
    glDeleteFramebuffers(1, &name);
}

void RGLDevice::DeleteRenderbuffer(RGLObjectRenderBuffer* renderbuffer)
{
    if (!m_context || !renderbuffer)
        return;
    GLuint name = renderbuffer->name;
    glDeleteRenderbuffers(1, &name);
}

void RGLDevice::BindFramebuffer(const RGLObjectRenderTarget* framebuffer)
{
    if (m_context)
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer ? framebuffer->name : 0);
}

