// RComponent: the base of the parts an entity is made of (renderables, player control, position, jump...). A
// component is a run-time typed object with its own handle; the entity that added it owns it, is told to it as its
// owner, and deletes it with itself.
#pragma once

#include "core/types/RRTTIBase.h"

class REntity;

class RComponent : public RRTTIBase {
    RRTTI_CLASS(RComponent, RRTTIBase)
public:
    RComponent() = default;
    ~RComponent() override = default;
    RComponent(const RComponent&) = delete;
    RComponent& operator=(const RComponent&) = delete;

    // The entity that added the component (null for one made on its own). Set by REntity::AddComponent.
    REntity* GetOwner() const { return m_owner; }
    void SetOwner(REntity* owner) { m_owner = owner; }

private:
    REntity* m_owner = nullptr;
};
