#include "game/AdjustableSprite.h"

#include "game/RoomView.h"
#include "game/SpriteMesh.h"
#include "render/effects/RShader.h"
#include "render/effects/RTechnique.h"
#include "render/frame/RRenderer.h"
#include "render/materials/RMaterialInterface.h"

bool AdjustableSprite::s_egaLook = true;

AdjustableSprite::AdjustableSprite(SpriteMesh* spriteMesh)
{
    m_sheets[0] = RoomView::GetSheetName(TileSets::kCGA);
    m_sheets[1] = RoomView::GetSheetName(TileSets::kEGA);
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
