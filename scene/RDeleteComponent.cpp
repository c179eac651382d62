#include "scene/RDeleteComponent.h"

#include "core/types/RHandle.h"
#include "core/types/RUtilVector.h"
#include "scene/REntity.h"

namespace {

// The marked components, by handle: a component deleted some other way resolves to nothing and is skipped.
RUtilVector<RHandle>& Marked()
{
    static RUtilVector<RHandle> s_marked;
    return s_marked;
}

// Rounds of deletion in one call: entities whose destructors mark others in turn cannot hold the caller forever.
constexpr int kMaxRounds = 16;

}  // namespace

RDeleteComponent::RDeleteComponent()
{
    if (GetHandle().GetId() != 0)
        Marked().push(GetHandle());
}

RDeleteComponent::~RDeleteComponent()
{
    Marked().eraseElement(GetHandle());
}

uint32_t RDeleteComponent::DeleteMarkedEntities()
{
    uint32_t deleted = 0;
    for (int round = 0; round < kMaxRounds && Marked().getCount() > 0; ++round) {
        // This round's list is taken whole; entities marked while it runs wait for the next round.
        RUtilVector<RHandle> batch;
        batch.copyFrom(Marked());
        for (uint32_t i = 0; i < batch.getCount(); ++i) {
            RRTTIBase* object = batch[i].Get();
            if (!object)
                continue;  // deleted meanwhile (its entity went, or another destructor deleted it)
            REntity* owner = static_cast<RDeleteComponent*>(object)->GetOwner();
            if (!owner) {
                delete object;  // a marker never added to an entity
                continue;
            }
            delete owner;
            ++deleted;
        }
    }
    if (Marked().getCount() == 0)
        Marked().free();
    return deleted;
}

uint32_t RDeleteComponent::GetMarkedCount()
{
    return Marked().getCount();
}
