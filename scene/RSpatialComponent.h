// RSpatialComponent: an entity's position, velocity and the collision box it carries. Moves sweep the box through
// the collision world, stopping at the first solid contact or sliding along it, and report every shape met (solid
// or trigger) to the owner's jump and basing components, to the owner's contact handler and to the shape itself.
// Shapes met are kept by handle and resolved on every use, so a shape deleted meanwhile is skipped. The component
// owns its box. It also keeps the position at the start of the latest fixed step, from which the displayed
// position is interpolated. Main thread only.
#pragma once

#include <cstdint>

#include "core/types/RHandle.h"
#include "core/types/RMath.h"
#include "core/types/RUtilVector.h"
#include "scene/RComponent.h"
#include "scene/RContact.h"

class RCollisionBox;
class RCollisionInterface;

class RSpatialComponent : public RComponent {
    RRTTI_CLASS(RSpatialComponent, RComponent)
public:
    // Slides after a contact remove the part of the move into the shape and go on with the rest; at most this
    // many contacts are met in one move.
    static constexpr int kMaxSlides = 4;
    // The gap a move leaves between the box and the shape it stops at, so the next move starts clear of it.
    static constexpr float kSkin = 0.01f;

    RSpatialComponent();
    // Deletes the box (which leaves the world).
    ~RSpatialComponent() override;

    const RVector3& GetPosition() const { return m_position; }
    // Puts the entity there at once, without a sweep and without interpolation (spawning, teleports). A
    // non-finite position is refused.
    void SetPosition(const RVector3& position);
    const RVector3& GetVelocity() const { return m_velocity; }
    void SetVelocity(const RVector3& velocity) { m_velocity = velocity; }

    // Gives the entity a box of those half extents, centred at the position plus offset, in the collision world
    // (a box given before is deleted). The box's owner is the component's entity. Returns the box, whose flags
    // and tag the caller may set.
    RCollisionBox* SetBox(const RVector2& halfExtents, const RVector2& offset);
    RCollisionBox* GetBox() const { return m_box; }
    // True (the default): a move slides along what it meets; false: it stops at the first solid contact.
    void SetSlide(bool slide) { m_slide = slide; }

    // Sweeps the box by the x-y part of delta (z moves freely), then reports the contacts (a move of no length
    // reports the triggers the box stands in). A solid contact also
    // removes the part of the velocity that goes into the shape. A non-finite delta moves nothing and stops the
    // entity (velocity zero). Without a box the entity moves freely. Returns true when the whole delta was
    // travelled.
    bool Move(const RVector3& delta);
    // Move by velocity x step; a non-finite velocity stops the entity.
    bool Step(float step);

    // The contacts of the latest move, in the order met (solid contacts, then triggers).
    uint32_t GetContactCount() const { return m_contacts.getCount(); }
    const RContact& GetContact(uint32_t index) const { return m_contacts[index]; }

    // Passes over these one-way shapes until the box no longer overlaps or touches them (dropping through).
    void IgnoreOneWay(const RHandle& shape);
    uint32_t GetIgnoredOneWayCount() const { return m_ignoredOneWay.getCount(); }

    // Interpolation of the displayed position: BeginStep remembers the position at the start of a fixed step;
    // Interpolate puts the display between that and the position (fraction 0 to 1, clamped; NaN counts as 1).
    void BeginStep() { m_previous = m_position; }
    void Interpolate(float fraction);
    const RVector3& GetDisplayPosition() const { return m_display; }

private:
    // Moves the box to the position (plus its offset).
    void PlaceBox();
    // Forgets ignored one-way shapes that are gone or no longer near the box.
    void RefreshIgnoredOneWay();
    // Records a solid contact of this move, once per shape and normal.
    void AddContact(const RHandle& shape, const RVector2& normal, float time);
    // Tells the owner's components, the owner and each shape of the contacts; stops at once when a handler
    // deleted this component.
    void ReportContacts();

    RVector3 m_position = {0.0f, 0.0f, 0.0f};
    RVector3 m_velocity = {0.0f, 0.0f, 0.0f};
    RVector3 m_previous = {0.0f, 0.0f, 0.0f};
    RVector3 m_display = {0.0f, 0.0f, 0.0f};
    RCollisionBox* m_box = nullptr;
    RVector2 m_boxOffset = {0.0f, 0.0f};
    bool m_slide = true;
    RUtilVector<RContact> m_contacts;
    RUtilVector<RHandle> m_ignoredOneWay;
};
