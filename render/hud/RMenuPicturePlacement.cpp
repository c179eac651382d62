#include "render/hud/RMenuPicturePlacement.h"

#include "render/hud/RHUDMenuState.h"

RMatrix4 RMenuPicturePlacement::Place(float screenAspect, float pictureAspect, float scale, float yOffset,
                                      float slideOffset)
{
    float xScale = screenAspect > 0.0f ? pictureAspect / screenAspect : 0.0f;
    float yScale = 1.0f;
    float x = slideOffset;
    float y = yOffset;
    if (screenAspect < kMenuAspect) {
        const float k = screenAspect / kMenuAspect;
        xScale *= k;
        yScale *= k;
        y *= k;
    } else {
        x *= kMenuAspect / screenAspect;
    }
    RMatrix4 scaling;
    RMatrix4::MakeScale(scaling, RVector3{xScale * scale, yScale * scale, scale});
    RMatrix4 translation;
    RMatrix4::MakeTranslation(translation, RVector3{x, y, 0.0f});
    RMatrix4 placement;
    RMatrix4::Multiply(placement, scaling, translation);
    return placement;
}

float RMenuPicturePlacement::GetSlideOffset()
{
    const RHUDMenuState* state = RHUDMenuState::GetCurrent();
    return state ? state->GetSlideOffset() : 0.0f;
}

RVector4 RMenuPicturePlacement::GetOpacityColour()
{
    const RHUDMenuState* state = RHUDMenuState::GetCurrent();
    RColor colour;
    RColor::FromBytes(colour, state ? state->GetOverlayColour() : 0xFFFFFFFFu);
    return RVector4{colour.r, colour.g, colour.b, colour.a};
}
