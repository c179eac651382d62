// RCalibrationImageInterface: a material that draws the brightness calibration picture and can tell the picture's
// proportions, so the calibration screen can lay it out.
#pragma once

#include "render/materials/RMaterial.h"

class RCalibrationImageInterface : public RMaterial {
public:
    RCalibrationImageInterface() = default;
    ~RCalibrationImageInterface() override = default;
    RCalibrationImageInterface(const RCalibrationImageInterface&) = delete;
    RCalibrationImageInterface& operator=(const RCalibrationImageInterface&) = delete;

    // The picture's width / height; 0 without a picture.
    virtual float GetImageAspect() const = 0;
};
