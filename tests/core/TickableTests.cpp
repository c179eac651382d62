#include "core/system/RTickable.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Every hook call, in order, as "<name>:<T|P><mask>".
std::vector<std::string> g_calls;

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

TEST_F(Tickables, SortingConsumesRandomNumbersOnlyForTwoOrMore)
{
    srand(5);
    int expected = rand();
    srand(5);
    RunPass(1);
    Engine one("one");
    RunPass(1);
    EXPECT_EQ(rand(), expected);
    Engine two("two");
    srand(5);
    RunPass(1);
    EXPECT_NE(rand(), expected);
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
