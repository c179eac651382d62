// Tickables: objects that run code every engine frame or every game step. Each derives from RTickableBase and is
// listed with the one RTickableManager, which keeps one list per pass (mask bits 1 engine frame, 2 fixed game
// step, 4 game frame), keeps it sorted by priority and calls Tick then PostTick on every member. The lists do not
// own their members; a member takes itself out of them when it is destroyed.
#pragma once

#include <cstdint>

#include "core/types/RUtilVector.h"

class RTickableBase {
public:
    // The pass bits of the tick lists.
    static constexpr uint32_t kEngineFrame = 1;
    static constexpr uint32_t kGameStep = 2;
    static constexpr uint32_t kGameFrame = 4;

    // Takes the object out of every list of its mask (when the manager still exists).
    virtual ~RTickableBase();
    RTickableBase(const RTickableBase&) = delete;
    RTickableBase& operator=(const RTickableBase&) = delete;

    // The first and second hook of a pass; mask is the pass's bit.
    virtual void Tick(float step, uint32_t mask) = 0;
    virtual void PostTick(float step, uint32_t mask) = 0;
    // Lower priorities run first within a list; members of equal priority run in no set order. A new priority
    // tells the manager, which sorts the lists again before their next pass (an override must call this one).
    virtual int GetPriority() const { return m_priority; }
    virtual void SetPriority(int priority);
    // While true, neither hook is called.
    virtual bool GetSuppressTick() const { return m_suppressTick; }
    virtual void SetSuppressTick(bool suppress) { m_suppressTick = suppress; }

    uint32_t GetMask() const { return m_mask; }

protected:
    // Registers the object in the lists of mask.
    explicit RTickableBase(uint32_t mask);

private:
    uint32_t m_mask;
    int32_t m_priority = 0;
    bool m_suppressTick = false;
};

// Ticked by the game: every fixed game step and once per frame in the game pass (mask 6).
class RTickableGameFixed : public RTickableBase {
protected:
    RTickableGameFixed() : RTickableBase(kGameStep | kGameFrame) {}
};

// Ticked once per engine frame (mask 1).
class RTickableEngine : public RTickableBase {
protected:
    RTickableEngine() : RTickableBase(kEngineFrame) {}
};

// The three tick lists. Main thread only.
class RTickableManager {
public:
    // The manager, created with three empty lists on first use.
    static RTickableManager* GetInstance();
    // The manager when it exists, else null; never creates one.
    static RTickableManager* GetExisting() { return s_instance; }
    // Frees the lists and the manager; members are not told.
    static void DestroyInstance();

    // Appends object to the list of each bit of mask (no test for duplicates); those lists need sorting again.
    void Register(RTickableBase* object, uint32_t mask);
    // Removes every occurrence of object from the list of each bit of mask; the others keep their order.
    void Unregister(RTickableBase* object, uint32_t mask);
    // A member's priority changed: every list needs sorting again.
    void PriorityChanged();
    // Sorts each list of mask by ascending priority (unstable) when a member was added to it or a priority
    // changed since it was last sorted; a list that did not change keeps its order.
    void Sort(uint32_t mask);
    // For each list of mask (bit 1, 2, then 4), calls Tick (step, mask) on every member whose tick is not
    // suppressed, from the first. The count is read again before each member: a member registered during the
    // pass is reached in it; removing the current or an earlier member skips the one after it.
    void Tick(uint32_t mask, float step);
    // The same through PostTick.
    void PostTick(uint32_t mask, float step);

    // The number of entries in the list of one bit (0 for any other value).
    uint32_t GetListCount(uint32_t bit) const;

private:
    RTickableManager() = default;
    ~RTickableManager() = default;
    RTickableManager(const RTickableManager&) = delete;
    RTickableManager& operator=(const RTickableManager&) = delete;

    // The list of one pass bit, or null for any other value.
    RUtilVector<RTickableBase*>* ListOf(uint32_t bit);
    void RunHook(uint32_t mask, float step, bool post);

    static RTickableManager* s_instance;

    RUtilVector<RTickableBase*> m_lists[3];  // bits 1, 2 and 4
    bool m_unsorted[3] = {false, false, false};
};
