// RResSensCamera: a camera whose aspect follows the screen resolution. It is listed with the resolution-sensitive
// objects from construction to destruction; whoever creates it owns it.
#pragma once

#include "render/view/RCamera.h"
#include "render/view/RResolutionSensitive.h"

class RResSensCamera : public RCamera, public RResolutionSensitive {
public:
    RResSensCamera(float fovDegrees, float aspect, float nearZ, float farZ);
    ~RResSensCamera() override;

    // The aspect becomes width / height. A size with no width or height (0 or less) keeps the aspect as it was.
    void OnResolutionChanged(int32_t width, int32_t height) override;
};
