// Interning and lookup of engine names against a standard hash map keyed by the case-folded text.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/types/RHashedString.h"

namespace {

// Names shaped like the engine's: a few words, mixed case, some shared prefixes.
std::vector<std::string> MakeNames(int count, const char* prefix) {
    static const char* const kWords[] = {"Render", "Pass", "Material", "Sound", "Jump", "Menu", "Button", "Speed",
                                         "Texture", "Glow", "Player", "Camera", "Blur", "Shadow", "Volume", "Key"};
    std::vector<std::string> names;
    names.reserve(count);
    for (int i = 0; i < count; ++i) {
        std::string name = prefix;
        name += kWords[i % 16];
        name += kWords[(i / 16) % 16];
        name += std::to_string(i);
        names.push_back(name);
    }
    return names;
}

std::string FoldLower(const std::string& text) {
    std::string folded = text;
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

// Interning a name the table already holds (the common case: a name made again at run time).
void BM_RHashedString_InternExisting(benchmark::State& state) {
    std::vector<std::string> names = MakeNames(static_cast<int>(state.range(0)), "BenchExisting");
    for (const std::string& name : names) RHashedString(name.c_str());
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RHashedString(names[i].c_str()).GetId());
        if (++i == names.size()) i = 0;
    }
}

void BM_UnorderedMap_InternExisting(benchmark::State& state) {
    std::vector<std::string> names = MakeNames(static_cast<int>(state.range(0)), "BenchExisting");
    std::unordered_map<std::string, uint32_t> table;
    for (const std::string& name : names) table.emplace(FoldLower(name), static_cast<uint32_t>(table.size()));
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.find(FoldLower(names[i]))->second);
        if (++i == names.size()) i = 0;
    }
}

// Interning names that are new to the table, in batches of range(0).
void BM_RHashedString_InternNew(benchmark::State& state) {
    int count = static_cast<int>(state.range(0));
    int batch = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> names = MakeNames(count, ("BenchNew" + std::to_string(batch++) + "_").c_str());
        state.ResumeTiming();
        for (const std::string& name : names) benchmark::DoNotOptimize(RHashedString(name.c_str()).GetId());
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_UnorderedMap_InternNew(benchmark::State& state) {
    int count = static_cast<int>(state.range(0));
    int batch = 0;
    std::unordered_map<std::string, uint32_t> table;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> names = MakeNames(count, ("BenchNew" + std::to_string(batch++) + "_").c_str());
        state.ResumeTiming();
        for (const std::string& name : names) {
            auto inserted = table.emplace(FoldLower(name), static_cast<uint32_t>(table.size()));
            benchmark::DoNotOptimize(inserted.first->second);
        }
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// Finding the text of an id against finding a value by its text.
void BM_RHashedString_GetString(benchmark::State& state) {
    std::vector<std::string> names = MakeNames(static_cast<int>(state.range(0)), "BenchLookup");
    std::vector<RHashedString> ids;
    for (const std::string& name : names) ids.push_back(RHashedString(name.c_str()));
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ids[i].GetString());
        if (++i == ids.size()) i = 0;
    }
}

void BM_UnorderedMap_Find(benchmark::State& state) {
    std::vector<std::string> names = MakeNames(static_cast<int>(state.range(0)), "BenchLookup");
    std::unordered_map<std::string, uint32_t> table;
    std::vector<std::string> folded;
    for (const std::string& name : names) {
        folded.push_back(FoldLower(name));
        table.emplace(folded.back(), static_cast<uint32_t>(table.size()));
    }
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.find(folded[i])->second);
        if (++i == folded.size()) i = 0;
    }
}

}  // namespace

// The table never shrinks, so the order matters: lookups first, then a fixed number of new batches (an engine
// holds a few thousand names; 20 batches of 1,000 leave about 35 texts per chain).
BENCHMARK(BM_RHashedString_InternExisting)->Arg(1000)->Arg(10000);
BENCHMARK(BM_UnorderedMap_InternExisting)->Arg(1000)->Arg(10000);
BENCHMARK(BM_RHashedString_GetString)->Arg(1000)->Arg(10000);
BENCHMARK(BM_UnorderedMap_Find)->Arg(1000)->Arg(10000);
BENCHMARK(BM_RHashedString_InternNew)->Arg(1000)->Iterations(20);
BENCHMARK(BM_UnorderedMap_InternNew)->Arg(1000)->Iterations(20);
BENCHMARK(BM_RHashedString_InternNew)->Arg(10000)->Iterations(3);
BENCHMARK(BM_UnorderedMap_InternNew)->Arg(10000)->Iterations(3);
