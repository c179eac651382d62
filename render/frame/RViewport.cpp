#include "render/frame/RViewport.h"

#include <cmath>

namespace {

bool ValuesDiffer(float a, float b)
{
    if (std::isnan(a) || std::isnan(b))
        return true;
    float magnitude = std::fabs(a) < std::fabs(b) ? std::fabs(a) : std::fabs(b);
    return magnitude * 1e-5f < std::fabs(a - b);
}

}  // namespace

bool RViewport::operator!=(const RViewport& other) const
{
    return ValuesDiffer(x, other.x) || ValuesDiffer(y, other.y) || ValuesDiffer(width, other.width) ||
           ValuesDiffer(height, other.height) || ValuesDiffer(minDepth, other.minDepth) ||
           ValuesDiffer(maxDepth, other.maxDepth);
}
