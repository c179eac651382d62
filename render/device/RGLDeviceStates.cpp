// RGLDevice: render and sampler states of a technique pass, and the keyword tables of state files.
#include "render/device/RGLDevice.h"

#include <GL/glew.h>

#include <cstdlib>
#include <cstring>

#include "core/types/RString.h"
#include "render/device/RGLObject.h"

namespace {

struct Keyword {
    RHashedString id;
    uint32_t value;
};

// A keyword table's answer for id, or fallback.
template <size_t N> uint32_t Lookup(const Keyword (&table)[N], RHashedString id, uint32_t fallback)
{
    for (const Keyword& entry : table) {
        if (entry.id == id)
            return entry.value;
    }
    return fallback;
}

// The names a state file may give, interned as its loader interns keys: case-sensitively. Built once.
struct StateNames {
    RHashedString alphaBlendEnable{"AlphaBlendEnable", true};
    RHashedString srcBlend{"SrcBlend", true};
    RHashedString destBlend{"DestBlend", true};
    RHashedString alphaTestEnable{"AlphaTestEnable", true};
    RHashedString alphaFunc{"AlphaFunc", true};
    RHashedString alphaRef{"AlphaRef", true};
    RHashedString zEnable{"ZEnable", true};
    RHashedString zWriteEnable{"ZWriteEnable", true};
    RHashedString zFunc{"ZFunc", true};
    RHashedString fillMode{"FillMode", true};
    RHashedString cullMode{"CullMode", true};
    RHashedString addressU{"AddressU", true};
    RHashedString addressV{"AddressV", true};
    RHashedString magFilter{"MagFilter", true};
    RHashedString minFilter{"MinFilter", true};
    RHashedString mipFilter{"MipFilter", true};
    RHashedString borderColor{"BorderColor", true};
};

const StateNames& Names()
{
    static const StateNames names;
    return names;
}

// A decimal integer as atoi reads it (leading blanks, a sign, digits), saturated instead of overflowing.
long long ReadDecimal(const char* text)
{
    return text ? strtoll(text, nullptr, 10) : 0;
}

float Clamp01(float value)
{
    return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

}  // namespace

uint32_t RGLDevice::ParseCompareFunc(RHashedString value)
{
    static const Keyword kTable[] = {
        {RHashedString("Always"), GL_ALWAYS},     {RHashedString("Never"), GL_NEVER},
        {RHashedString("Less"), GL_LESS},         {RHashedString("LessEqual"), GL_LEQUAL},
        {RHashedString("Equal"), GL_EQUAL},       {RHashedString("GreaterEqual"), GL_GEQUAL},
        {RHashedString("Greater"), GL_GREATER},   {RHashedString("NotEqual"), GL_NOTEQUAL},
    };
    return Lookup(kTable, value, GL_ALWAYS);
}

uint32_t RGLDevice::ParseBlendFactor(RHashedString value)
{
    static const Keyword kTable[] = {
        {RHashedString("Zero"), GL_ZERO},
        {RHashedString("One"), GL_ONE},
        {RHashedString("SrcColor"), GL_SRC_COLOR},
        {RHashedString("InvSrcColor"), GL_ONE_MINUS_SRC_COLOR},
        {RHashedString("SrcAlpha"), GL_SRC_ALPHA},
        {RHashedString("InvSrcAlpha"), GL_ONE_MINUS_SRC_ALPHA},
        {RHashedString("DestAlpha"), GL_DST_ALPHA},
        {RHashedString("InvDestAlpha"), GL_ONE_MINUS_DST_ALPHA},
        {RHashedString("DestColor"), GL_DST_COLOR},
        {RHashedString("InvDestColor"), GL_ONE_MINUS_DST_COLOR},
        {RHashedString("SrcAlphaSat"), GL_SRC_ALPHA_SATURATE},
    };
    return Lookup(kTable, value, GL_ONE);
}

bool RGLDevice::ParseCullMode(RHashedString value, uint32_t* frontFace, bool* cullEnable)
{
    static const RHashedString kNone("None");
    static const RHashedString kClockwise("CW");
    static const RHashedString kCounterClockwise("CCW");
    uint32_t face;
    bool enable;
    if (value == kNone) {
        face = GL_CCW;
        enable = false;
    } else if (value == kClockwise) {
        face = GL_CCW;
        enable = true;
    } else if (value == kCounterClockwise) {
        face = GL_CW;
        enable = true;
    } else {
        return false;
    }
    if (frontFace)
        *frontFace = face;
    if (cullEnable)
        *cullEnable = enable;
    return true;
}

uint32_t RGLDevice::ParseFillMode(RHashedString value)
{
    static const Keyword kTable[] = {
        {RHashedString("Wireframe"), GL_LINE},
        {RHashedString("Point"), GL_POINT},
        {RHashedString("Solid"), GL_FILL},
    };
    return Lookup(kTable, value, GL_FILL);
}

bool RGLDevice::ParseBool(RHashedString value)
{
    static const RHashedString kTrue("True");
    return value == kTrue;
}

void RGLDevice::ApplyEnable(RHashedString value, uint32_t capability)
{
    if (!m_context)
        return;
    if (ParseBool(value))
        glEnable(capability);
    else
        glDisable(capability);
}

uint32_t RGLDevice::ParseAddressMode(RHashedString value)
{
    static const Keyword kTable[] = {
        {RHashedString("Wrap"), GL_REPEAT},
        {RHashedString("Clamp"), GL_CLAMP_TO_EDGE},
        {RHashedString("Border"), GL_CLAMP_TO_BORDER},
        {RHashedString("Mirror"), GL_MIRRORED_REPEAT},
        {RHashedString("MirrorOnce"), GL_MIRROR_CLAMP_TO_EDGE},
    };
    return Lookup(kTable, value, GL_REPEAT);
}

uint32_t RGLDevice::ParseFilter(RHashedString value)
{
    static const Keyword kTable[] = {
        {RHashedString("Point"), GL_NEAREST},
        {RHashedString("Linear"), GL_LINEAR},
    };
    return Lookup(kTable, value, GL_LINEAR);
}

void RGLDevice::ParseBorderColor(const char* value, float rgba[4])
{
    size_t length = value ? strlen(value) : 0;
    // Channel k (alpha, red, green, blue) is digits 2 + 2k and 3 + 2k.
    float channels[4];
    for (size_t k = 0; k < 4; ++k) {
        size_t high = 2 + 2 * k;
        int highDigit = high < length ? HexDigitValue(value[high]) : -1;
        int lowDigit = high + 1 < length ? HexDigitValue(value[high + 1]) : -1;
        channels[k] = Clamp01(static_cast<float>(highDigit * 16 + lowDigit) / 255.0f);
    }
    rgba[0] = channels[1];
    rgba[1] = channels[2];
    rgba[2] = channels[3];
    rgba[3] = channels[0];
}

void RGLDevice::ApplyRenderStates(const RGLObjectTechniquePass* pass)
{
    if (!m_context || !pass)
        return;
    const StateNames& names = Names();
    bool haveSource = false;
    bool haveDestination = false;
    bool haveAlphaFunc = false;
    GLenum source = GL_ONE;
    GLenum destination = GL_ZERO;
    GLenum alphaFunc = GL_ALWAYS;
    float alphaRef = 0.0f;

    RUtilMap<RHashedString, RHashedString>& states = const_cast<RGLObjectTechniquePass*>(pass)->renderStates;
    for (RUtilMapIter<RHashedString, RHashedString> state(states); state.isValid(); state.next()) {
        RHashedString name = state.getKey();
        RHashedString value = state.getValue();
        if (name == names.alphaBlendEnable) {
            ApplyEnable(value, GL_BLEND);
        } else if (name == names.srcBlend) {
            source = ParseBlendFactor(value);
            haveSource = true;
        } else if (name == names.destBlend) {
            destination = ParseBlendFactor(value);
            haveDestination = true;
        } else if (name == names.alphaTestEnable) {
            ApplyEnable(value, GL_ALPHA_TEST);
        } else if (name == names.alphaFunc) {
            alphaFunc = ParseCompareFunc(value);
            haveAlphaFunc = true;
        } else if (name == names.alphaRef) {
            long long reference = ReadDecimal(value.GetString());
            alphaRef = reference <= 0 ? 0.0f : (reference >= 255 ? 1.0f : static_cast<float>(reference) / 255.0f);
        } else if (name == names.zEnable) {
            ApplyEnable(value, GL_DEPTH_TEST);
        } else if (name == names.zWriteEnable) {
            glDepthMask(ParseBool(value) ? GL_TRUE : GL_FALSE);
        } else if (name == names.zFunc) {
            glDepthFunc(ParseCompareFunc(value));
        } else if (name == names.fillMode) {
            glPolygonMode(GL_FRONT_AND_BACK, ParseFillMode(value));
        } else if (name == names.cullMode) {
            uint32_t frontFace = GL_CW;
            bool cull = true;
            // An unknown mode leaves culling as it was.
            if (ParseCullMode(value, &frontFace, &cull)) {
                if (cull)
                    glEnable(GL_CULL_FACE);
                else
                    glDisable(GL_CULL_FACE);
                glFrontFace(frontFace);
            }
        }
    }
    if (haveSource && haveDestination)
        glBlendFunc(source, destination);
    if (haveAlphaFunc)
        glAlphaFunc(alphaFunc, alphaRef);
}

void RGLDevice::ApplySamplerStates(const RGLObjectTechniquePass* pass, RHashedString uniformName,
                                   uint32_t textureLevels)
{
    if (!m_context || !pass)
        return;
    auto* section = const_cast<RGLObjectTechniquePass*>(pass)->samplerStates.find(uniformName);
    if (!section)
        return;
    const StateNames& names = Names();
    bool haveMin = false;
    bool haveMip = false;
    GLenum minFilter = GL_LINEAR;
    GLenum mipFilter = GL_LINEAR;
    for (RUtilMapIter<RHashedString, RHashedString> state(section->value); state.isValid(); state.next()) {
        RHashedString name = state.getKey();
        RHashedString value = state.getValue();
        if (name == names.addressU) {
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(ParseAddressMode(value)));
        } else if (name == names.addressV) {
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(ParseAddressMode(value)));
        } else if (name == names.magFilter) {
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(ParseFilter(value)));
        } else if (name == names.minFilter) {
            minFilter = ParseFilter(value);
            haveMin = true;
        } else if (name == names.mipFilter) {
            mipFilter = ParseFilter(value);
            haveMip = true;
        } else if (name == names.borderColor) {
            float colour[4];
            ParseBorderColor(value.GetString(), colour);
            glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, colour);
        }
    }
    if (!haveMin || !haveMip)
        return;
    // A mip filter on a texture of one level would leave it incomplete (it samples black), so only a texture
    // known to have more levels gets one.
    GLenum filter = minFilter;
    if (textureLevels > 1) {
        if (minFilter == GL_NEAREST)
            filter = mipFilter == GL_NEAREST ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_LINEAR;
        else
            filter = mipFilter == GL_NEAREST ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_LINEAR;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(filter));
}
