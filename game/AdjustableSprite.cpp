#include "game/AdjustableSprite.h"

#include "core/types/RMath.h"
#include "render/effects/RShader.h"
#include "render/effects/RShaderParam.h"
#include "render/effects/RTechnique.h"
#include "render/frame/RRenderer.h"
#include "render/materials/RMaterialInterface.h"
#include "render/materials/RRenderable.h"

bool AdjustableSprite::s_egaLook = true;

AdjustableSprite::AdjustableSprite(RRenderable* spriteMesh, RHashedString cgaSheet, RHashedString egaSheet)
{
    m_sheets[0] = cgaSheet;
    m_sheets[1] = egaSheet;
    // A known name answers its texture whatever file name is given: the sheets are made by the room view.
    RRenderer* renderer = RRenderer::GetInstance();
    for (const RHashedString& sheet : m_sheets)
        renderer->LoadTexture(sheet.GetString(), sheet);
    SetTemplate(spriteMesh);
}

AdjustableSprite::~AdjustableSprite()
{
    // The material's technique for the empty pass name: its effect's parameters are reset, so no texture unit
    // keeps a sheet bound after the sprite is gone.
    if (RMaterialInterface* material = GetMaterial()) {
        if (RTechnique* technique = material->GetTechniqueForPass(RHashedString()))
            if (RShader* effect = technique->GetOwner())
                effect->ResetParams();
    }
    if (RRenderer::HasInstance()) {
        for (const RHashedString& sheet : m_sheets)
            RRenderer::GetInstance()->UnloadTexture(sheet);
    }
}

void AdjustableSprite::SetRect(float x, float y, float width, float height)
{
    m_rect[0] = x;
    m_rect[1] = y;
    m_rect[2] = width;
    m_rect[3] = height;
}

bool AdjustableSprite::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                          RShaderParamInformant* requester)
{
    static const RHashedString s_rect("SpriteRect");
    static const RHashedString s_tile("SpriteTile");
    static const RHashedString s_sheet("SpriteSheet");
    if (mapping->name == s_rect) {
        const RVector4 rect = {m_rect[0], m_rect[1], m_rect[2], m_rect[3]};
        mapping->SetVector(&rect);
        return true;
    }
    if (mapping->name == s_tile) {
        const RVector4 tile = {static_cast<float>(m_tile % 16), static_cast<float>(m_tile / 16),
                               m_flipped ? 1.0f : 0.0f, 0.0f};
        mapping->SetVector(&tile);
        return true;
    }
    if (mapping->name == s_sheet) {
        mapping->SetTexture(m_sheets[s_egaLook ? 1 : 0]);
        return true;
    }
    return RRenderableInst::InformShaderParams(mapping, renderPassId, requester);
}
