#include "render/view/RResSensCamera.h"

RResSensCamera::RResSensCamera(float fovDegrees, float aspect, float nearZ, float farZ)
    : RCamera(fovDegrees, aspect, nearZ, farZ)
{
}

RResSensCamera::~RResSensCamera()
{
    LeaveList();
}

void RResSensCamera::OnResolutionChanged(int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0)
        return;
    SetAspect(static_cast<float>(width) / static_cast<float>(height));
}
