// Subroutines on the manager's two clocks: who is updated when, what a finished one may still do, and when the
// manager deletes it.
#include "basegame/RSubroutine.h"
#include "basegame/RSubroutineMgr.h"
#include "basegame/RTimedSubroutine.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

std::string g_trace;

// Appends "<name><event>" to the trace for each start (+), update (u), finish (!) and deletion (~); runs an
// action of the test at its first update.
class Traced : public RSubroutine {
public:
    Traced(const char* name, float finishAt) : RSubroutine(RHashedString(name)), m_name(name), m_finishAt(finishAt) {}
    ~Traced() override { g_trace += m_name + "~ "; }
    void Start() override { g_trace += m_name + "+ "; }
    void Update(float) override
    {
        g_trace += m_name + "u ";
        if (onUpdate) {
            auto action = onUpdate;
            onUpdate = nullptr;
            action();
        }
        if (GetTime() >= m_finishAt)
            Finish();
    }
    void OnFinished() override
    {
        g_trace += m_name + "! ";
        if (onFinished)
            onFinished();
    }
    std::function<void()> onUpdate;
    std::function<void()> onFinished;

private:
    std::string m_name;
    float m_finishAt;
};

class Subroutines : public ::testing::Test {
protected:
    void SetUp() override { g_trace.clear(); }
    void TearDown() override { RSubroutineMgr::DestroyInstance(); }
};

} // namespace

TEST_F(Subroutines, EachClockRunsItsOwnListAndFinishedOnesGoAfterThePass)
{
    RSubroutineMgr* manager = RSubroutineMgr::GetInstance();
    Traced* a = new Traced("a", 0.25f);
    Traced* b = new Traced("b", 1.0f);
    Traced* c = new Traced("c", 10.0f);
    manager->Start(a, RSubroutineMgr::kEngineTime);
    manager->Start(b, RSubroutineMgr::kEngineTime);
    manager->Start(c, RSubroutineMgr::kGameTime);
    EXPECT_EQ(g_trace, "a+ b+ c+ ");

    // a finishes b, which comes after it: b is not updated again, and both go once the pass is over; a's end
    // starts d, which waits for the next pass.
    g_trace.clear();
    a->onUpdate = [b] { b->Finish(); };
    a->onFinished = [manager] { manager->Start(new Traced("d", 10.0f), RSubroutineMgr::kEngineTime); };
    manager->Update(RSubroutineMgr::kEngineTime, 0.25f);
    EXPECT_EQ(g_trace, "au a! d+ a~ b! b~ ");
    EXPECT_EQ(manager->GetCount(RSubroutineMgr::kEngineTime), 1u);
    EXPECT_EQ(c->GetTime(), 0.0f); // the game clock did not run

    g_trace.clear();
    manager->Update(RSubroutineMgr::kGameTime, 0.5f);
    manager->Update(RSubroutineMgr::kEngineTime, 0.1f);
    EXPECT_EQ(g_trace, "cu du ");
    EXPECT_EQ(c->GetTime(), 0.5f);
    EXPECT_EQ(manager->Find(RHashedString("d"))->GetTime(), 0.1f);
    EXPECT_EQ(manager->Find(RHashedString("a")), nullptr);

    // Destroying the manager deletes what still runs, without calling it finished.
    g_trace.clear();
    RSubroutineMgr::DestroyInstance();
    EXPECT_EQ(g_trace.find('!'), std::string::npos);
    EXPECT_NE(g_trace.find("c~"), std::string::npos);
    EXPECT_NE(g_trace.find("d~"), std::string::npos);
}

TEST_F(Subroutines, InputIsCapturedOnlyWhileACapturingOneRuns)
{
    EXPECT_FALSE(RSubroutineMgr::InstanceCapturesInput());
    RSubroutineMgr* manager = RSubroutineMgr::GetInstance();
    Traced* capturing = new Traced("capturing", 0.5f);
    capturing->SetCapturesInput(true);
    manager->Start(new Traced("plain", 10.0f), RSubroutineMgr::kGameTime);
    EXPECT_FALSE(RSubroutineMgr::InstanceCapturesInput());
    manager->Start(capturing, RSubroutineMgr::kEngineTime);
    EXPECT_TRUE(RSubroutineMgr::InstanceCapturesInput());
    // Finished but not yet deleted counts as not running.
    capturing->onUpdate = [capturing] {
        capturing->Finish();
        EXPECT_FALSE(RSubroutineMgr::InstanceCapturesInput());
    };
    manager->Update(RSubroutineMgr::kEngineTime, 0.1f);
    EXPECT_FALSE(RSubroutineMgr::InstanceCapturesInput());
}

TEST_F(Subroutines, ATimedOneEndsAtItsLength)
{
    RSubroutineMgr* manager = RSubroutineMgr::GetInstance();
    RTimedSubroutine* timed = new RTimedSubroutine(RHashedString("timed"), 1.0f);
    manager->Start(timed, RSubroutineMgr::kGameTime);
    for (int step = 0; step < 3; ++step)
        manager->Update(RSubroutineMgr::kGameTime, 0.25f);
    EXPECT_FLOAT_EQ(timed->GetFraction(), 0.75f);
    EXPECT_EQ(manager->GetCount(RSubroutineMgr::kGameTime), 1u);
    manager->Update(RSubroutineMgr::kGameTime, 0.25f);
    EXPECT_EQ(manager->GetCount(RSubroutineMgr::kGameTime), 0u);
}
