// RSpatialComponent: an entity's position and the collision shapes it has met. Shapes are kept by handle and
// resolved on every use, so a shape deleted meanwhile is skipped rather than reached. Owns no shape.
#pragma once

#include <cstdint>

#include "core/RHandle.h"
#include "core/RMath.h"
#include "core/RUtilVector.h"
#include "scene/RComponent.h"

class RCollisionInterface;

class RSpatialComponent : public RComponent {
    RRTTI_CLASS(RSpatialComponent, RComponent)
public:
    RSpatialComponent() = default;
    ~RSpatialComponent() override = default;

    const RVector3& GetPosition() const { return m_position; }
    void SetPosition(const RVector3& position) { m_position = position; }

    // Remembers the shape (by handle, once); null or a shape without a handle is ignored.
    void AddContact(RCollisionInterface* shape);
    // Forgets every shape met.
    void ClearContacts() { m_contacts.free(); }
    // Moves the position by delta, then tells each remembered shape that still exists; shapes whose handles no
    // longer resolve are skipped and forgotten. Returns the number of shapes told.
    uint32_t Move(const RVector3& delta);
    uint32_t GetContactCount() const { return m_contacts.getCount(); }

private:
    // The shape the handle resolves to, or null when it is gone.
    static RCollisionInterface* Resolve(const RHandle& handle);

    RVector3 m_position{0.0f, 0.0f, 0.0f};
    RUtilVector<RHandle> m_contacts;
};
