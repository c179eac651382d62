// RCollisionWorld: the shapes that moves meet, in one singleton. Shapes are listed (not owned) in a uniform grid
// of square cells, so a swept query tests only the shapes in the cells its swept box covers; shapes too large for
// the grid are tested by every query. A shape leaves the world when it is deleted; destroying the world leaves the
// shapes alive and outside any world. Queries call nothing outside the shapes' geometry, so they never run game
// code. Main thread only.
#pragma once

#include <cstdint>

#include "core/types/RHandle.h"
#include "core/types/RMath.h"
#include "core/types/RUtilVector.h"
#include "scene/RCollisionSweep.h"

class RCollisionInterface;

// What a swept query passes over: one shape (the mover's own), the shapes whose handles are listed (one-way
// platforms being dropped through) and, unless blockOneWay, every one-way shape.
struct RSweepFilter {
    const RCollisionInterface* self = nullptr;
    const RUtilVector<RHandle>* ignored = nullptr;
    bool blockOneWay = true;
};

// The first solid shape a swept query met; the shape pointer is valid until game code runs again.
struct RSweepContact {
    RCollisionInterface* shape = nullptr;
    RSweepHit hit;
};

class RCollisionWorld {
public:
    // Side of a grid cell in world units: four 8-pixel tiles.
    static constexpr float kCellSize = 32.0f;

    static RCollisionWorld* GetInstance();
    // The world when it exists, else null; never creates one.
    static RCollisionWorld* GetExisting() { return s_instance; }
    // Takes every shape out of the world, then deletes the world. Called by RShutdown.
    static void DestroyInstance();

    // The unit up direction in the x-y plane: the engine's world-up vector without its z, or +y when that has no
    // x-y part. Gravity pulls against it; one-way shapes block boxes coming from it.
    static RVector2 GetUp();

    // Lists the shape (once; a shape in another world moves here). Null is ignored.
    void AddShape(RCollisionInterface* shape);
    // Takes the shape out; nothing when it is not in this world.
    void RemoveShape(RCollisionInterface* shape);
    uint32_t GetShapeCount() const { return m_shapes.getCount(); }

    // Sweeps the box (centre, half extents) by delta through the shapes the filter lets through. Returns
    // true with the first solid contact (a one-way shape only when met with a normal on the up side). When
    // triggers is given, the handles of the triggers the box overlaps at the start or crosses before the contact
    // (or within the whole move) are appended to it once each. A non-finite box or delta meets nothing.
    bool SweepBox(const RVector2& center, const RVector2& half, const RVector2& delta, const RSweepFilter& filter,
                  RSweepContact* contact, RUtilVector<RHandle>* triggers);

    // Called by a shape whose bounds changed.
    void UpdateShape(RCollisionInterface* shape);

private:
    struct CellEntry {
        int32_t x, y;
        RCollisionInterface* shape;
    };

    RCollisionWorld();
    ~RCollisionWorld();
    RCollisionWorld(const RCollisionWorld&) = delete;
    RCollisionWorld& operator=(const RCollisionWorld&) = delete;

    void Insert(RCollisionInterface* shape);
    void Unlist(RCollisionInterface* shape);
    RUtilVector<CellEntry>& BucketOf(int32_t x, int32_t y);
    // Gathers into m_candidates every shape whose cells or bounds may meet the box [min, max], each once.
    void GatherCandidates(const RVector2& min, const RVector2& max);

    static RCollisionWorld* s_instance;

    RUtilVector<RCollisionInterface*> m_shapes;
    RUtilVector<RCollisionInterface*> m_oversize;
    RUtilVector<CellEntry>* m_buckets;
    uint32_t m_cellEntryCount = 0;
    uint32_t m_stamp = 0;
    RUtilVector<RCollisionInterface*> m_candidates;
    struct TriggerMet {
        RCollisionInterface* shape;
        float time;
    };
    RUtilVector<TriggerMet> m_triggersMet;
};
