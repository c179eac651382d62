#include "render/view/RResSensTarget.h"

RResSensTarget::RResSensTarget(RHashedString targetName, uint32_t targetFormat, uint8_t targetFlag,
                               uint8_t depthFlag)
    : RResSensTarget(targetName, targetFormat, targetFlag, depthFlag, 1.0f, 1.0f)
{
}

RResSensTarget::RResSensTarget(RHashedString targetName, uint32_t targetFormat, uint8_t targetFlag,
                               uint8_t depthFlag, float xFraction, float yFraction)
    : m_xFraction(xFraction), m_yFraction(yFraction)
{
    Create(targetName, static_cast<uint32_t>(GetScaledWidth(GetListScreenWidth())),
           static_cast<uint32_t>(GetScaledHeight(GetListScreenHeight())), targetFormat, targetFlag, depthFlag);
}

RResSensTarget::~RResSensTarget()
{
    LeaveList();
}

void RResSensTarget::OnResolutionChanged(int32_t width, int32_t height)
{
    this->width = static_cast<uint32_t>(GetScaledWidth(width));
    this->height = static_cast<uint32_t>(GetScaledHeight(height));
}
