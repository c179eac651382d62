// RComponent: the base of the parts an entity is made of (renderables, player control, position). A component is
// a run-time typed object with its own handle; the entity that added it owns it and deletes it with itself.
#pragma once

#include "core/RRTTIBase.h"

class RComponent : public RRTTIBase {
    RRTTI_CLASS(RComponent, RRTTIBase)
public:
    RComponent() = default;
    ~RComponent() override = default;
    RComponent(const RComponent&) = delete;
    RComponent& operator=(const RComponent&) = delete;
};
