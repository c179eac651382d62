#include "core/system/RTickable.h"

RTickableManager* RTickableManager::s_instance = nullptr;

namespace {

const uint32_t kListBits[3] = {RTickableBase::kEngineFrame, RTickableBase::kGameStep, RTickableBase::kGameFrame};

int ComparePriority(RTickableBase* const* a, RTickableBase* const* b, void*)
{
    int pa = (*a)->GetPriority();
    int pb = (*b)->GetPriority();
    return (pa > pb) - (pa < pb);
}

} // namespace

RTickableBase::RTickableBase(uint32_t mask) : m_mask(mask)
{
    RTickableManager::GetInstance()->Register(this, m_mask);
}

void RTickableBase::SetPriority(int priority)
{
    if (priority == m_priority)
        return;
    m_priority = priority;
    if (RTickableManager* manager = RTickableManager::GetExisting())
        manager->PriorityChanged();
}

RTickableBase::~RTickableBase()
{
    // A manager destroyed at shut-down holds nothing any more; do not bring it back just to look.
    if (RTickableManager* manager = RTickableManager::GetExisting())
        manager->Unregister(this, m_mask);
}

RTickableManager* RTickableManager::GetInstance()
{
    if (!s_instance)
        s_instance = new RTickableManager();
    return s_instance;
}

void RTickableManager::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

RUtilVector<RTickableBase*>* RTickableManager::ListOf(uint32_t bit)
{
    for (int i = 0; i < 3; ++i) {
        if (kListBits[i] == bit)
            return &m_lists[i];
    }
    return nullptr;
}

uint32_t RTickableManager::GetListCount(uint32_t bit) const
{
    RUtilVector<RTickableBase*>* list = const_cast<RTickableManager*>(this)->ListOf(bit);
    return list ? list->getCount() : 0;
}

void RTickableManager::Register(RTickableBase* object, uint32_t mask)
{
    for (int i = 0; i < 3; ++i) {
        if (mask & kListBits[i]) {
            m_lists[i].push(object);
            m_unsorted[i] = true;
        }
    }
}

void RTickableManager::PriorityChanged()
{
    for (bool& unsorted : m_unsorted)
        unsorted = true;
}

void RTickableManager::Unregister(RTickableBase* object, uint32_t mask)
{
    for (int i = 0; i < 3; ++i) {
        if (!(mask & kListBits[i]))
            continue;
        RUtilVector<RTickableBase*>& list = m_lists[i];
        for (uint32_t j = list.getCount(); j > 0; --j) {
            if (list[j - 1] == object)
                list.erase(j - 1, 1);
        }
    }
}

void RTickableManager::Sort(uint32_t mask)
{
    for (int i = 0; i < 3; ++i) {
        if ((mask & kListBits[i]) && m_unsorted[i]) {
            m_lists[i].sort(ComparePriority, nullptr);
            m_unsorted[i] = false;
        }
    }
}

void RTickableManager::RunHook(uint32_t mask, float step, bool post)
{
    for (int i = 0; i < 3; ++i) {
        if (!(mask & kListBits[i]))
            continue;
        RUtilVector<RTickableBase*>& list = m_lists[i];
        for (uint32_t j = 0; j < list.getCount(); ++j) {
            RTickableBase* member = list[j];
            if (member->GetSuppressTick())
                continue;
            if (post)
                member->PostTick(step, mask);
            else
                member->Tick(step, mask);
        }
    }
}

void RTickableManager::Tick(uint32_t mask, float step)
{
    RunHook(mask, step, false);
}

void RTickableManager::PostTick(uint32_t mask, float step)
{
    RunHook(mask, step, true);
}
