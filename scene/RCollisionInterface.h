// RCollisionInterface: the base of the scene's collision shapes. A shape is a run-time typed object with its own
// handle, so that whatever meets it (a moving spatial component) keeps the handle, never the pointer, and finds
// the shape gone once it has been deleted. Whoever creates a shape owns it.
#pragma once

#include "core/RRTTIBase.h"

class RSpatialComponent;

class RCollisionInterface : public RRTTIBase {
    RRTTI_CLASS(RCollisionInterface, RRTTIBase)
public:
    RCollisionInterface() = default;
    ~RCollisionInterface() override = default;
    RCollisionInterface(const RCollisionInterface&) = delete;
    RCollisionInterface& operator=(const RCollisionInterface&) = delete;

    // A spatial component that met this shape has moved.
    virtual void OnContactMoved(RSpatialComponent* mover) {}
};
