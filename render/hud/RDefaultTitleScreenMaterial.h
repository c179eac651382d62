// RDefaultTitleScreenMaterial: draws the default title picture in the menu space, sliding and fading with the
// menus. It holds one reference on "__Default_Title Shader" and one on the picture, "__Default_Title Texture",
// from construction to destruction; the texture manager owns the texture.
#pragma once

#include "render/materials/RMaterial.h"
#include "render/hud/RMenuPicture.h"

class RTexture;

class RDefaultTitleScreenMaterial : public RMaterial {
public:
    // Loads "__ROLT_Default_Title.fxo", takes its "TitleTech" and loads the game's title picture.
    RDefaultTitleScreenMaterial();
    // Unloads the effect and the picture.
    ~RDefaultTitleScreenMaterial() override;
    RDefaultTitleScreenMaterial(const RDefaultTitleScreenMaterial&) = delete;
    RDefaultTitleScreenMaterial& operator=(const RDefaultTitleScreenMaterial&) = delete;

    // Null when the picture could not be loaded.
    RTexture* GetTitleTexture() const { return m_picture.GetTexture(); }
    // The picture's width / height, 0 without a picture.
    float GetPictureAspect() const { return m_picture.GetAspect(); }

    // "wvpMat" the picture's placement, "OpacityColor" the menus' overlay colour, "TitleTex" the picture; other
    // names go to the chained informant.
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override;

private:
    RMenuPicture m_picture;
};
