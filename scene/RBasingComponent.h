// RBasingComponent: keeps an entity on what it stands on. The solid shape met from above in a move becomes the
// entity's base (kept by handle); at the start of each fixed step, Carry moves the entity (swept) by how far the
// base moved since, so it rides moving platforms. A base the last step's moves did not stand on is let go. Owns
// nothing. Main thread only.
#pragma once

#include "core/types/RHandle.h"
#include "core/types/RMath.h"
#include "scene/RComponent.h"
#include "scene/RContact.h"

class RBasingComponent : public RComponent {
    RRTTI_CLASS(RBasingComponent, RComponent)
public:
    RBasingComponent() = default;

    // Moves the owner's spatial component by the base's motion since the last step (when it still stands on a
    // base that still exists), then starts looking for this step's base.
    void Carry();
    // The base shape's handle (null when there is none).
    const RHandle& GetBase() const { return m_base; }

    // Told by the spatial component of each contact of a move.
    void OnContact(const RContact& contact);

private:
    RHandle m_base;
    RVector2 m_basePosition = {0.0f, 0.0f};
    bool m_stoodOn = false;
};
