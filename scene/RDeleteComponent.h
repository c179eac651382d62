// RDeleteComponent: marks its entity for deletion. Adding it (entity->AddComponent<RDeleteComponent>()) is the
// way an entity goes during a tick, its own or another's: nothing is deleted until the base game calls
// DeleteMarkedEntities after the fixed steps. Only entities made with new may be marked. A marked game entity
// ticks no more. Main thread only.
#pragma once

#include <cstdint>

#include "scene/RComponent.h"

class RDeleteComponent : public RComponent {
    RRTTI_CLASS(RDeleteComponent, RComponent)
public:
    // Lists the component among the marked ones.
    RDeleteComponent();
    ~RDeleteComponent() override;

    // Deletes every marked entity once, including entities marked by the destructors of those deleted (a
    // bounded number of rounds; what remains is deleted at the next call). Returns the number deleted.
    static uint32_t DeleteMarkedEntities();
    // The number of marked components waiting.
    static uint32_t GetMarkedCount();
};
