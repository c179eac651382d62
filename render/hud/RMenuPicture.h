// RMenuPicture: what the default title and calibration materials share. It holds one reference on the material's
// effect and one on its picture from construction to destruction (the shader and texture managers own both),
// tells the picture's proportions and answers the shader parameters of a picture drawn in the menu space. Owned
// by its material.
#pragma once

#include "core/types/RHashedString.h"

class RShader;
class RShaderParamMapping;
class RTexture;

class RMenuPicture {
public:
    // Loads the effect file under effectName and the picture file under textureName; a null picture file loads
    // nothing. textureParam is the name under which shaders ask for the picture.
    RMenuPicture(const char* effectFile, const char* effectName, const char* textureFile, const char* textureName,
                 const char* textureParam);
    // Unloads the effect and the picture (when one was asked for).
    ~RMenuPicture();
    RMenuPicture(const RMenuPicture&) = delete;
    RMenuPicture& operator=(const RMenuPicture&) = delete;

    // Null when the effect could not be loaded.
    RShader* GetEffect() const { return m_effect; }
    // Null when the picture could not be loaded.
    RTexture* GetTexture() const { return m_texture; }
    // The picture's width / height, 0 without a picture.
    float GetAspect() const;

    // "wvpMat" the picture placed at the scale and vertical offset, "OpacityColor" the menus' overlay colour,
    // the texture parameter the picture; false for any other name.
    bool InformShaderParam(RShaderParamMapping* mapping, float scale, float yOffset) const;

private:
    RHashedString m_effectName;
    RHashedString m_textureName;
    RHashedString m_textureParam;
    RShader* m_effect = nullptr;
    RTexture* m_texture = nullptr;
    bool m_textureLoaded = false;  // whether a reference on the picture's name was taken
};
