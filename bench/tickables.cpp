// One tick pass (order the list by priority, then both hooks on every member) over a crowd that shares a few
// priorities, as a room's entities do: the tick manager's pass beside the yardstick of the same pass over a
// std::vector that std::stable_sort orders before every pass. The manager's pass is measured on a list that did
// not change since the last pass and on one where a member's priority changes before every pass. Each reports its
// time as a multiple of the yardstick's at the same size ("vs_stable_sort").
#include "core/system/RTickable.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <memory>
#include <vector>

namespace {

// Does as little as a hook can while still being called.
class Member : public RTickableGameFixed {
public:
    explicit Member(int priority) { SetPriority(priority); }
    void Tick(float step, uint32_t) override { m_total += step; }
    void PostTick(float step, uint32_t) override { m_total -= step * 0.5f; }
    float m_total = 0.0f;
};

// Most members at priority 1, a tenth at 0 and a tenth at 2, in a mixed order.
int PriorityOf(int index)
{
    const int slot = (index * 7) % 10;
    return slot == 0 ? 0 : slot == 1 ? 2 : 1;
}

std::vector<std::unique_ptr<Member>> MakeCrowd(int count)
{
    std::vector<std::unique_ptr<Member>> crowd;
    for (int i = 0; i < count; ++i)
        crowd.push_back(std::make_unique<Member>(PriorityOf(i)));
    return crowd;
}

double ThreadSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The yardstick's time per pass at each size, for the ratios.
std::map<int64_t, double> s_yardstickSeconds;

// Records the ratio of the time per pass since start to the yardstick's at the same size.
void Report(benchmark::State& state, double start)
{
    const double seconds = (ThreadSeconds() - start) / static_cast<double>(state.iterations());
    const auto yardstick = s_yardstickSeconds.find(state.range(0));
    if (yardstick != s_yardstickSeconds.end() && yardstick->second > 0.0)
        state.counters["vs_stable_sort"] = seconds / yardstick->second;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdStableSortPass(benchmark::State& state)
{
    RTickableManager::DestroyInstance();
    auto crowd = MakeCrowd(static_cast<int>(state.range(0)));
    std::vector<RTickableBase*> list;
    for (auto& member : crowd)
        list.push_back(member.get());
    const double start = ThreadSeconds();
    for (auto _ : state) {
        std::stable_sort(list.begin(), list.end(), [](const RTickableBase* a, const RTickableBase* b) {
            return a->GetPriority() < b->GetPriority();
        });
        for (RTickableBase* member : list)
            if (!member->GetSuppressTick())
                member->Tick(0.01f, RTickableBase::kGameFrame);
        for (RTickableBase* member : list)
            if (!member->GetSuppressTick())
                member->PostTick(0.01f, RTickableBase::kGameFrame);
    }
    s_yardstickSeconds[state.range(0)] = (ThreadSeconds() - start) / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * state.range(0));
    crowd.clear();
    RTickableManager::DestroyInstance();
}

void RunManagerPass(RTickableManager* manager)
{
    manager->Sort(RTickableBase::kGameFrame);
    manager->Tick(RTickableBase::kGameFrame, 0.01f);
    manager->PostTick(RTickableBase::kGameFrame, 0.01f);
}

void BM_TickListPass(benchmark::State& state)
{
    RTickableManager::DestroyInstance();
    auto crowd = MakeCrowd(static_cast<int>(state.range(0)));
    RTickableManager* manager = RTickableManager::GetInstance();
    const double start = ThreadSeconds();
    for (auto _ : state)
        RunManagerPass(manager);
    Report(state, start);
    crowd.clear();
    RTickableManager::DestroyInstance();
}

void BM_TickListPassPriorityChanging(benchmark::State& state)
{
    RTickableManager::DestroyInstance();
    auto crowd = MakeCrowd(static_cast<int>(state.range(0)));
    RTickableManager* manager = RTickableManager::GetInstance();
    size_t changing = 0;
    const double start = ThreadSeconds();
    for (auto _ : state) {
        Member& member = *crowd[changing];
        member.SetPriority(member.GetPriority() == 1 ? 0 : 1);
        changing = (changing + 1) % crowd.size();
        RunManagerPass(manager);
    }
    Report(state, start);
    crowd.clear();
    RTickableManager::DestroyInstance();
}

}  // namespace

BENCHMARK(BM_StdStableSortPass)->Arg(20)->Arg(200)->Arg(2000);
BENCHMARK(BM_TickListPass)->Arg(20)->Arg(200)->Arg(2000);
BENCHMARK(BM_TickListPassPriorityChanging)->Arg(20)->Arg(200)->Arg(2000);
