#include "scene/RCollisionWorld.h"

#include <cmath>

#include "render/view/RCamera.h"
#include "scene/RCollisionInterface.h"

RCollisionWorld* RCollisionWorld::s_instance = nullptr;

namespace {

// Buckets of the cell hash (a power of two).
constexpr uint32_t kBucketCount = 4096;
// A shape covering more cells than this is tested by every query instead of being listed in the grid.
constexpr int64_t kMaxCellsPerShape = 256;
// Cells beyond this index in either direction are not in the grid (shapes out there are tested by every query).
constexpr float kMaxCellIndex = 1.0e6f;

bool Finite(const RVector2& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

float Dot(const RVector2& a, const RVector2& b) { return a.x * b.x + a.y * b.y; }

// The cell range of [min, max]; false when it is not finite or reaches beyond the grid.
bool CellRange(const RVector2& min, const RVector2& max, float cellSize, int32_t* x0, int32_t* y0, int32_t* x1,
               int32_t* y1)
{
    const float fx0 = std::floor(min.x / cellSize), fy0 = std::floor(min.y / cellSize);
    const float fx1 = std::floor(max.x / cellSize), fy1 = std::floor(max.y / cellSize);
    if (!(fx0 >= -kMaxCellIndex && fy0 >= -kMaxCellIndex && fx1 <= kMaxCellIndex && fy1 <= kMaxCellIndex))
        return false;
    *x0 = static_cast<int32_t>(fx0);
    *y0 = static_cast<int32_t>(fy0);
    *x1 = static_cast<int32_t>(fx1);
    *y1 = static_cast<int32_t>(fy1);
    return *x0 <= *x1 && *y0 <= *y1;
}

bool IsIgnored(const RCollisionInterface* shape, const RSweepFilter& filter)
{
    if (shape == filter.self || !shape->IsEnabled())
        return true;
    if (filter.ignored) {
        const uint32_t id = shape->GetHandle().GetId();
        for (uint32_t i = 0; i < filter.ignored->getCount(); ++i) {
            if ((*filter.ignored)[i].GetId() == id)
                return true;
        }
    }
    return false;
}

}  // namespace

RCollisionWorld* RCollisionWorld::GetInstance()
{
    if (!s_instance)
        s_instance = new RCollisionWorld();
    return s_instance;
}

void RCollisionWorld::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

RVector2 RCollisionWorld::GetUp()
{
    const float length = std::sqrt(g_worldUp.x * g_worldUp.x + g_worldUp.y * g_worldUp.y);
    if (!(length > 0.0f) || !std::isfinite(length))
        return RVector2{0.0f, 1.0f};
    return RVector2{g_worldUp.x / length, g_worldUp.y / length};
}

RCollisionWorld::RCollisionWorld() : m_buckets(new RUtilVector<CellEntry>[kBucketCount])
{
    m_candidates.setNoShrink(true);
    m_triggersMet.setNoShrink(true);
}

RCollisionWorld::~RCollisionWorld()
{
    for (uint32_t i = 0; i < m_shapes.getCount(); ++i)
        m_shapes[i]->m_world = nullptr;
    delete[] m_buckets;
}

void RCollisionWorld::AddShape(RCollisionInterface* shape)
{
    if (!shape || shape->m_world == this)
        return;
    if (shape->m_world)
        shape->m_world->RemoveShape(shape);
    shape->m_world = this;
    m_shapes.push(shape);
    Insert(shape);
}

void RCollisionWorld::RemoveShape(RCollisionInterface* shape)
{
    if (!shape || shape->m_world != this)
        return;
    Unlist(shape);
    m_shapes.eraseElement(shape);
    shape->m_world = nullptr;
}

bool RCollisionWorld::SetCellSize(float size)
{
    if (!(size > 0.0f) || !std::isfinite(size))
        return false;
    for (uint32_t i = 0; i < m_shapes.getCount(); ++i)
        Unlist(m_shapes[i]);
    m_cellSize = size;
    for (uint32_t i = 0; i < m_shapes.getCount(); ++i)
        Insert(m_shapes[i]);
    return true;
}

void RCollisionWorld::UpdateShape(RCollisionInterface* shape)
{
    if (!shape || shape->m_world != this)
        return;
    RVector2 min, max;
    shape->GetBounds(&min, &max);
    int32_t x0, y0, x1, y1;
    if (!shape->m_oversize && CellRange(min, max, m_cellSize, &x0, &y0, &x1, &y1) && x0 == shape->m_cellMinX &&
        y0 == shape->m_cellMinY && x1 == shape->m_cellMaxX && y1 == shape->m_cellMaxY)
        return;  // still in the same cells
    Unlist(shape);
    Insert(shape);
}

RUtilVector<RCollisionWorld::CellEntry>& RCollisionWorld::BucketOf(int32_t x, int32_t y)
{
    const uint32_t hash = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
    return m_buckets[hash & (kBucketCount - 1)];
}

void RCollisionWorld::Insert(RCollisionInterface* shape)
{
    RVector2 min, max;
    shape->GetBounds(&min, &max);
    int32_t x0, y0, x1, y1;
    if (!CellRange(min, max, m_cellSize, &x0, &y0, &x1, &y1) ||
        static_cast<int64_t>(x1 - x0 + 1) * (y1 - y0 + 1) > kMaxCellsPerShape) {
        shape->m_oversize = true;
        m_oversize.push(shape);
        return;
    }
    shape->m_oversize = false;
    shape->m_cellMinX = x0;
    shape->m_cellMinY = y0;
    shape->m_cellMaxX = x1;
    shape->m_cellMaxY = y1;
    for (int32_t y = y0; y <= y1; ++y) {
        for (int32_t x = x0; x <= x1; ++x) {
            BucketOf(x, y).push(CellEntry{x, y, shape});
            ++m_cellEntryCount;
        }
    }
}

void RCollisionWorld::Unlist(RCollisionInterface* shape)
{
    if (shape->m_oversize) {
        m_oversize.eraseElement(shape);
        shape->m_oversize = false;
        return;
    }
    for (int32_t y = shape->m_cellMinY; y <= shape->m_cellMaxY; ++y) {
        for (int32_t x = shape->m_cellMinX; x <= shape->m_cellMaxX; ++x) {
            RUtilVector<CellEntry>& bucket = BucketOf(x, y);
            for (uint32_t i = 0; i < bucket.getCount(); ++i) {
                if (bucket[i].shape == shape && bucket[i].x == x && bucket[i].y == y) {
                    bucket[i] = bucket[bucket.getCount() - 1];
                    bucket.setSize(bucket.getCount() - 1);
                    --m_cellEntryCount;
                    break;
                }
            }
        }
    }
    shape->m_cellMaxX = shape->m_cellMinX - 1;
}

void RCollisionWorld::GatherCandidates(const RVector2& min, const RVector2& max)
{
    m_candidates.clear();
    if (++m_stamp == 0)
        ++m_stamp;
    for (uint32_t i = 0; i < m_oversize.getCount(); ++i)
        m_candidates.push(m_oversize[i]);
    int32_t x0, y0, x1, y1;
    if (!CellRange(min, max, m_cellSize, &x0, &y0, &x1, &y1) ||
        static_cast<int64_t>(x1 - x0 + 1) * (y1 - y0 + 1) > static_cast<int64_t>(m_cellEntryCount)) {
        // A query wider than the grid holds entries: every shape is a candidate.
        m_candidates.clear();
        for (uint32_t i = 0; i < m_shapes.getCount(); ++i)
            m_candidates.push(m_shapes[i]);
        return;
    }
    for (int32_t y = y0; y <= y1; ++y) {
        for (int32_t x = x0; x <= x1; ++x) {
            const RUtilVector<CellEntry>& bucket = BucketOf(x, y);
            for (uint32_t i = 0; i < bucket.getCount(); ++i) {
                const CellEntry& entry = bucket[i];
                if (entry.x != x || entry.y != y || entry.shape->m_queryStamp == m_stamp)
                    continue;
                entry.shape->m_queryStamp = m_stamp;
                m_candidates.push(entry.shape);
            }
        }
    }
}

bool RCollisionWorld::SweepBox(const RVector2& center, const RVector2& half, const RVector2& delta,
                               const RSweepFilter& filter, RSweepContact* contact, RUtilVector<RHandle>* triggers)
{
    if (!Finite(center) || !Finite(half) || !Finite(delta))
        return false;
    const RVector2 min = {std::fmin(center.x, center.x + delta.x) - half.x,
                          std::fmin(center.y, center.y + delta.y) - half.y};
    const RVector2 max = {std::fmax(center.x, center.x + delta.x) + half.x,
                          std::fmax(center.y, center.y + delta.y) + half.y};
    GatherCandidates(min, max);
    const RVector2 up = GetUp();
    RSweepContact first;
    bool found = false;
    m_triggersMet.clear();
    for (uint32_t i = 0; i < m_candidates.getCount(); ++i) {
        RCollisionInterface* shape = m_candidates[i];
        if (IsIgnored(shape, filter))
            continue;
        RSweepHit hit;
        const ESweepResult result = shape->SweepBox(center, half, delta, &hit);
        if (result == SWEEP_MISS)
            continue;
        if (shape->IsTrigger()) {
            if (triggers)
                m_triggersMet.push(TriggerMet{shape, result == SWEEP_HIT ? hit.time : 0.0f});
            continue;
        }
        if (result != SWEEP_HIT)
            continue;  // a solid already overlapped lets the box move out of it
        if (shape->IsOneWay() && (!filter.blockOneWay || Dot(hit.normal, up) <= 0.5f))
            continue;
        if (!found || hit.time < first.hit.time) {
            first.shape = shape;
            first.hit = hit;
            found = true;
        }
    }
    if (triggers) {
        const float end = found ? first.hit.time : 1.0f;
        for (uint32_t i = 0; i < m_triggersMet.getCount(); ++i) {
            if (m_triggersMet[i].time <= end)
                triggers->pushUniqueElement(m_triggersMet[i].shape->GetHandle());
        }
    }
    if (found && contact)
        *contact = first;
    return found;
}

void RCollisionWorld::OverlapBox(const RVector2& center, const RVector2& half, RUtilVector<RHandle>* overlapped)
{
    if (!overlapped || !Finite(center) || !Finite(half))
        return;
    GatherCandidates(RVector2{center.x - half.x, center.y - half.y}, RVector2{center.x + half.x, center.y + half.y});
    for (uint32_t i = 0; i < m_candidates.getCount(); ++i) {
        RCollisionInterface* shape = m_candidates[i];
        if (shape->IsEnabled() && shape->OverlapsBox(center, half))
            overlapped->pushUniqueElement(shape->GetHandle());
    }
}
