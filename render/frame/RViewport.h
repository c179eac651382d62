// RViewport: the rectangle a render pass draws into, as fractions of the bound target (x and width across, y and
// height down from the target's top edge), and the depth range it maps to. A plain value record.
#pragma once

struct RViewport {
    float x = 0.0f;
    float y = 0.0f;
    float width = 1.0f;
    float height = 1.0f;
    float minDepth = 0.0f;
    float maxDepth = 1.0f;

    // Two viewports differ when, for any of the six values a and b, |a - b| exceeds min(|a|, |b|) x 1e-5: 0
    // differs from every other value, and a NaN differs from everything, itself included.
    bool operator!=(const RViewport& other) const;
    bool operator==(const RViewport& other) const { return !(*this != other); }
};
