// RCollisionInterface: the base of the scene's collision shapes, in the world's x-y plane. A shape is a run-time
// typed object with its own handle, so that whatever meets it (a moving spatial component) keeps the handle, never
// the pointer, and finds the shape gone once it has been deleted. Whoever creates a shape owns it; a shape added
// to the collision world takes itself out of it when it is deleted or moved.
//
// A shape is solid (blocks moves), a trigger (reported to a move that overlaps or crosses it, never blocking) or
// one-way (solid only to a box coming from the world's up side). It carries a user tag and an owner entity (not
// owned) for the game's contact handlers.
#pragma once

#include <cstdint>

#include "core/types/RMath.h"
#include "core/types/RRTTIBase.h"
#include "scene/RCollisionSweep.h"

class RCollisionWorld;
class REntity;
class RHandle;
class RSpatialComponent;

class RCollisionInterface : public RRTTIBase {
    RRTTI_CLASS(RCollisionInterface, RRTTIBase)
public:
    RCollisionInterface() = default;
    // Leaves the collision world when it is in it.
    ~RCollisionInterface() override;
    RCollisionInterface(const RCollisionInterface&) = delete;
    RCollisionInterface& operator=(const RCollisionInterface&) = delete;

    // The shape a handle names, or null when the handle's object is gone or is no shape.
    static RCollisionInterface* FromHandle(const RHandle& handle);

    // The shape's reference point: a box's or circle's centre, the origin of a quad's or mesh's vertices. Moving
    // it updates the world's grid.
    const RVector2& GetPosition() const { return m_position; }
    void SetPosition(const RVector2& position);

    // The smallest axis-aligned box holding the shape.
    virtual void GetBounds(RVector2* min, RVector2* max) const = 0;
    // The moving box (centre, half extents) moved by delta against this shape (see RCollisionSweep.h).
    virtual ESweepResult SweepBox(const RVector2& center, const RVector2& half, const RVector2& delta,
                                  RSweepHit* hit) const = 0;

    void SetTrigger(bool trigger) { m_trigger = trigger; }
    bool IsTrigger() const { return m_trigger; }
    void SetOneWay(bool oneWay) { m_oneWay = oneWay; }
    bool IsOneWay() const { return m_oneWay; }
    void SetUserTag(int32_t tag) { m_userTag = tag; }
    int32_t GetUserTag() const { return m_userTag; }
    void SetOwner(REntity* owner) { m_owner = owner; }
    REntity* GetOwner() const { return m_owner; }

    // A spatial component met this shape in its latest move (after the move, once per shape met).
    virtual void OnContactMoved(RSpatialComponent* mover) {}

protected:
    // A shape whose extent changed tells the world through this (its position setter does it itself).
    void BoundsChanged();

private:
    friend class RCollisionWorld;

    RVector2 m_position = {0.0f, 0.0f};
    REntity* m_owner = nullptr;
    int32_t m_userTag = 0;
    bool m_trigger = false;
    bool m_oneWay = false;

    // Kept by the world: the world holding the shape, the grid cells it is listed in (or none when it is in the
    // world's list of shapes too large for the grid) and the stamp of the last query that reached it.
    RCollisionWorld* m_world = nullptr;
    int32_t m_cellMinX = 0, m_cellMinY = 0, m_cellMaxX = -1, m_cellMaxY = -1;
    bool m_oversize = false;
    uint32_t m_queryStamp = 0;
};
