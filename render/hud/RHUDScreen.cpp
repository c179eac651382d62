#include "render/hud/RHUDScreen.h"

#include "render/view/RResolutionSensitiveList.h"

namespace {

int32_t AtLeastOne(int32_t side)
{
    return side < 1 ? 1 : side;
}

}  // namespace

void RHUDScreen::GetScreenSize(int32_t* width, int32_t* height)
{
    const RResolutionSensitiveList* list = RResolutionSensitiveList::GetCurrent();
    *width = AtLeastOne(list ? list->GetScreenWidth() : 0);
    *height = AtLeastOne(list ? list->GetScreenHeight() : 0);
}

float RHUDScreen::GetAspectRatio()
{
    int32_t width = 0;
    int32_t height = 0;
    GetScreenSize(&width, &height);
    return static_cast<float>(width) / static_cast<float>(height);
}

RMenuSpace RHUDScreen::MenuSpaceFor(int32_t width, int32_t height)
{
    const float w = static_cast<float>(AtLeastOne(width));
    const float h = static_cast<float>(AtLeastOne(height));
    const float aspect = w / h;
    RMenuSpace space;
    if (aspect >= kMenuAspect) {
        space.invHalfWidth = 1.0f / (384.0f * aspect);
        space.invHalfHeight = 2.0f / 768.0f;
        space.xOffset = 1.0f - (4.0f * h / 3.0f) / w;
        space.yOffset = 0.0f;
    } else {
        space.invHalfWidth = 2.0f / 1024.0f;
        space.invHalfHeight = 0.75f * aspect / 384.0f;
        space.xOffset = 0.0f;
        space.yOffset = 1.0f - 0.75f * w / h;
    }
    return space;
}

RMenuSpace RHUDScreen::GetMenuSpace()
{
    int32_t width = 0;
    int32_t height = 0;
    GetScreenSize(&width, &height);
    return MenuSpaceFor(width, height);
}
