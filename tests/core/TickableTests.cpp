#include "core/system/RTickable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Every hook call, in order, as "<name>:<T|P><mask>".
std::vector<std::string> g_calls;
// How often any member's priority was read (the sort reads it; nothing else in a pass does).
int g_priorityReads = 0;

template <typename Base> class Recorder : public Base {
public:
    explicit Recorder(const char* name, int priority = 0) : m_name(name) { this->SetPriority(priority); }
    void Tick(float, uint32_t mask) override
    {
        g_calls.push_back(m_name + ":T" + std::to_string(mask));
        if (onTick)
            onTick();
    }
    void PostTick(float, uint32_t mask) override { g_calls.push_back(m_name + ":P" + std::to_string(mask)); }
    int GetPriority() const override
    {
        ++g_priorityReads;
        return Base::GetPriority();
    }

    std::function<void()> onTick;

private:
    std::string m_name;
};

using Entity = Recorder<RTickableGameFixed>;
using Engine = Recorder<RTickableEngine>;

// Sort, Tick and PostTick of one pass, as the main loop runs it.
void RunPass(uint32_t mask, float step = 0.5f)
{
    RTickableManager* manager = RTickableManager::GetInstance();
    manager->Sort(mask);
    manager->Tick(mask, step);
    manager->PostTick(mask, step);
}

class Tickables : public ::testing::Test {
protected:
    void SetUp() override
    {
        RTickableManager::DestroyInstance();
        g_calls.clear();
    }
    void TearDown() override { RTickableManager::DestroyInstance(); }
};

TEST_F(Tickables, EntityIsTickedInGamePassesOnly)
{
    Entity entity("e");
    Engine font("f");
    EXPECT_EQ(entity.GetMask(), 6u);
    EXPECT_EQ(font.GetMask(), 1u);

    RunPass(1);
    RunPass(4);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"f:T1", "f:P1", "e:T4", "e:P4"}));

    // First hooks all run before second hooks, lower priorities first even at the extremes.
    g_calls.clear();
    Entity late("late", INT_MAX), first("first", INT_MIN);
    RunPass(2);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"first:T2", "e:T2", "late:T2", "first:P2", "e:P2", "late:P2"}));
}

TEST_F(Tickables, SuppressionAndPartialUnregistration)
{
    Entity entity("e");
    entity.SetSuppressTick(true);
    RunPass(4);
    EXPECT_TRUE(g_calls.empty());
    entity.SetSuppressTick(false);
    RTickableManager* manager = RTickableManager::GetInstance();
    manager->Unregister(&entity, 2);
    RunPass(2);
    RunPass(4);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"e:T4", "e:P4"}));
}

TEST_F(Tickables, DoubleRegistrationTicksTwiceAndUnregistersWhole)
{
    RTickableManager* manager = RTickableManager::GetInstance();
    {
        Engine twice("t");
        manager->Register(&twice, 1);
        RunPass(1);
        EXPECT_EQ(g_calls, (std::vector<std::string>{"t:T1", "t:T1", "t:P1", "t:P1"}));
        manager->Unregister(&twice, 1);
        EXPECT_EQ(manager->GetListCount(1), 0u);
        manager->Register(&twice, 1);
        manager->Register(&twice, 1);
    }
    // The destroyed member leaves no entry behind.
    g_calls.clear();
    RunPass(1);
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(Tickables, MembersComingAndGoingDuringAPass)
{
    Engine a("a", 0);
    std::unique_ptr<Engine> added;
    a.onTick = [&] {
        a.onTick = nullptr;
        added = std::make_unique<Engine>("added", 5);
    };
    RTickableManager::GetInstance()->Tick(1, 0.1f);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"a:T1", "added:T1"}));

    // Removing the current member skips the one after it in this pass.
    g_calls.clear();
    added.reset();
    Engine b("b", 1);
    Engine c("c", 2);
    b.onTick = [&] { RTickableManager::GetInstance()->Unregister(&b, 1); };
    RunPass(1);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"a:T1", "b:T1", "a:P1", "c:P1"}));
}

// Only the first hooks of one pass, as names.
std::vector<std::string> TickOrder(uint32_t mask)
{
    g_calls.clear();
    RunPass(mask);
    std::vector<std::string> order;
    for (const std::string& call : g_calls) {
        if (call.find(":T") != std::string::npos)
            order.push_back(call.substr(0, call.find(':')));
    }
    return order;
}

TEST_F(Tickables, NewPriorityTakesEffectInTheNextPass)
{
    Engine a("a", 0), b("b", 1), c("c", 2);
    EXPECT_EQ(TickOrder(1), (std::vector<std::string>{"a", "b", "c"}));
    b.SetPriority(-1);
    EXPECT_EQ(TickOrder(1), (std::vector<std::string>{"b", "a", "c"}));
    // Changed during a pass, a priority leaves that pass's order alone and orders the next one.
    a.onTick = [&] {
        a.onTick = nullptr;
        c.SetPriority(-5);
    };
    EXPECT_EQ(TickOrder(1), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(TickOrder(1), (std::vector<std::string>{"c", "b", "a"}));
}

TEST_F(Tickables, MemberAddedDuringAPassTakesItsPlaceInTheNext)
{
    // The newcomer keeps the default priority: only its arrival puts the list out of order.
    Engine a("a", 1), b("b", 2);
    std::unique_ptr<Engine> early;
    a.onTick = [&] {
        a.onTick = nullptr;
        early = std::make_unique<Engine>("early", 0);
    };
    // Reached at the end of the pass it was added in, then in priority order.
    EXPECT_EQ(TickOrder(1), (std::vector<std::string>{"a", "b", "early"}));
    EXPECT_EQ(TickOrder(1), (std::vector<std::string>{"early", "a", "b"}));
}

// A list is sorted when a member is added or a priority changes, not on every pass; a removal keeps the order.
TEST_F(Tickables, UnchangedListIsNotSortedAgain)
{
    std::vector<std::unique_ptr<Entity>> crowd;
    for (int i = 0; i < 40; ++i)
        crowd.push_back(std::make_unique<Entity>(i % 2 ? "odd" : "even", i % 2));
    g_priorityReads = 0;
    RunPass(4);
    EXPECT_GT(g_priorityReads, 0);
    g_priorityReads = 0;
    std::vector<std::string> order = TickOrder(4);
    EXPECT_EQ(g_priorityReads, 0);
    EXPECT_EQ(std::count(order.begin(), order.begin() + 20, "even"), 20);
    crowd.erase(crowd.begin() + 4);
    order = TickOrder(4);
    EXPECT_EQ(g_priorityReads, 0);
    EXPECT_EQ(std::count(order.begin(), order.begin() + 19, "even"), 19);
    // An unchanged priority is no change.
    crowd[0]->SetPriority(crowd[0]->GetPriority());
    g_priorityReads = 0;
    RunPass(4);
    EXPECT_EQ(g_priorityReads, 0);
    crowd[0]->SetPriority(5);
    RunPass(4);
    EXPECT_GT(g_priorityReads, 0);
}

TEST_F(Tickables, ManyEqualPrioritiesAllRun)
{
    std::vector<std::unique_ptr<Entity>> crowd;
    for (int i = 0; i < 3000; ++i)
        crowd.push_back(std::make_unique<Entity>("x"));
    RunPass(2);
    EXPECT_EQ(g_calls.size(), 6000u);
    // Destroyed after the manager is gone, members bring nothing back.
    RTickableManager::DestroyInstance();
    crowd.clear();
    EXPECT_EQ(RTickableManager::GetExisting(), nullptr);
}

}  // namespace
