// The engine's ordered map and vector beside std::map and std::vector on the same work: map insert, find and
// in-order walk; vector push and erase.
#include "core/types/RUtilMap.h"
#include "core/types/RUtilVector.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

namespace {

std::vector<unsigned> ShuffledKeys(size_t n)
{
    std::vector<unsigned> keys(n);
    for (size_t i = 0; i < n; ++i)
        keys[i] = static_cast<unsigned>(i * 7 + 1);
    std::shuffle(keys.begin(), keys.end(), std::mt19937(17));
    return keys;
}

void BM_RUtilMap_Insert(benchmark::State& state)
{
    std::vector<unsigned> keys = ShuffledKeys(state.range(0));
    for (auto _ : state) {
        RUtilMap<int, unsigned> map;
        for (unsigned key : keys)
            map.insert(static_cast<int>(key), key);
        benchmark::DoNotOptimize(map.getRoot());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdMap_Insert(benchmark::State& state)
{
    std::vector<unsigned> keys = ShuffledKeys(state.range(0));
    for (auto _ : state) {
        std::map<unsigned, int> map;
        for (unsigned key : keys)
            map[key] = static_cast<int>(key);
        benchmark::DoNotOptimize(map.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RUtilMap_Find(benchmark::State& state)
{
    std::vector<unsigned> keys = ShuffledKeys(state.range(0));
    RUtilMap<int, unsigned> map;
    for (unsigned key : keys)
        map.insert(static_cast<int>(key), key);
    std::shuffle(keys.begin(), keys.end(), std::mt19937(5));
    for (auto _ : state) {
        long sum = 0;
        for (unsigned key : keys)
            sum += map.find(key)->value;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdMap_Find(benchmark::State& state)
{
    std::vector<unsigned> keys = ShuffledKeys(state.range(0));
    std::map<unsigned, int> map;
    for (unsigned key : keys)
        map[key] = static_cast<int>(key);
    std::shuffle(keys.begin(), keys.end(), std::mt19937(5));
    for (auto _ : state) {
        long sum = 0;
        for (unsigned key : keys)
            sum += map.find(key)->second;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RUtilMap_Walk(benchmark::State& state)
{
    RUtilMap<int, unsigned> map;
    for (unsigned key : ShuffledKeys(state.range(0)))
        map.insert(static_cast<int>(key), key);
    for (auto _ : state) {
        long sum = 0;
        for (RUtilMapIter<int, unsigned> it(map); it.isValid(); it.next())
            sum += it.getValue();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdMap_Walk(benchmark::State& state)
{
    std::map<unsigned, int> map;
    for (unsigned key : ShuffledKeys(state.range(0)))
        map[key] = static_cast<int>(key);
    for (auto _ : state) {
        long sum = 0;
        for (auto& entry : map)
            sum += entry.second;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RUtilVector_Push(benchmark::State& state)
{
    for (auto _ : state) {
        RUtilVector<int> v;
        for (int i = 0; i < state.range(0); ++i)
            v.push(i);
        benchmark::DoNotOptimize(v.getData());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdVector_Push(benchmark::State& state)
{
    for (auto _ : state) {
        std::vector<int> v;
        for (int i = 0; i < state.range(0); ++i)
            v.push_back(i);
        benchmark::DoNotOptimize(v.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Fills, then erases one element at a time from pseudo-random places until empty.
void BM_RUtilVector_Erase(benchmark::State& state)
{
    for (auto _ : state) {
        RUtilVector<int> v;
        for (int i = 0; i < state.range(0); ++i)
            v.push(i);
        uint32_t cursor = 0;
        while (v.getCount() > 0) {
            cursor = (cursor * 1103515245u + 12345u);
            v.erase(cursor % v.getCount(), 1);
        }
        benchmark::DoNotOptimize(v.getData());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdVector_Erase(benchmark::State& state)
{
    for (auto _ : state) {
        std::vector<int> v;
        for (int i = 0; i < state.range(0); ++i)
            v.push_back(i);
        uint32_t cursor = 0;
        while (!v.empty()) {
            cursor = (cursor * 1103515245u + 12345u);
            v.erase(v.begin() + cursor % v.size());
        }
        benchmark::DoNotOptimize(v.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_RUtilMap_Insert)->Arg(1000)->Arg(100000);
BENCHMARK(BM_StdMap_Insert)->Arg(1000)->Arg(100000);
BENCHMARK(BM_RUtilMap_Find)->Arg(1000)->Arg(100000);
BENCHMARK(BM_StdMap_Find)->Arg(1000)->Arg(100000);
BENCHMARK(BM_RUtilMap_Walk)->Arg(1000)->Arg(100000);
BENCHMARK(BM_StdMap_Walk)->Arg(1000)->Arg(100000);
BENCHMARK(BM_RUtilVector_Push)->Arg(1000)->Arg(100000);
BENCHMARK(BM_StdVector_Push)->Arg(1000)->Arg(100000);
BENCHMARK(BM_RUtilVector_Erase)->Arg(1000)->Arg(10000);
BENCHMARK(BM_StdVector_Erase)->Arg(1000)->Arg(10000);
