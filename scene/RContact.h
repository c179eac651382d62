// RContact: one shape a move met: the shape's handle (resolve it with RHandle::Get each time, it may be gone), the
// contact normal pointing from the shape towards the mover, the fraction of the move (of what was left of it,
// after a slide) at which they met, and whether the shape is a trigger (overlapped, never blocking). Plain value.
#pragma once

#include "core/types/RHandle.h"
#include "core/types/RMath.h"

struct RContact {
    RHandle shape;
    RVector2 normal = {0.0f, 0.0f};
    float time = 0.0f;
    bool trigger = false;
};
