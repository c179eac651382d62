// INI parse throughput on a long configuration-style file: the engine's parser alone, the engine's parser
// building a document, and the system's inih library parsing the same text as a yardstick.
#include <benchmark/benchmark.h>

#include <ini.h>

#include <cstdint>
#include <string>

#include "core/text/RINIFile.h"
#include "core/text/RINIParser.h"

namespace {

// About 3 MB: 4,000 sections of 24 keys each, with comments and blank lines, CR LF line ends.
const std::string& LongINIText()
{
    static const std::string text = [] {
        static const char* const kKeys[] = {"MasterVolume", "MusicVolume", "Width", "Height", "Fullscreen",
                                            "Controller", "Language", "Tint"};
        std::string out;
        for (int section = 0; section < 4000; ++section) {
            out += "; settings block " + std::to_string(section) + "\r\n";
            out += "[Section" + std::to_string(section) + "]\r\n";
            for (int key = 0; key < 24; ++key) {
                out += kKeys[key % 8];
                out += std::to_string(key);
                out += key % 3 ? " = " : ": ";
                out += key % 2 ? std::to_string(section * 31 + key) + ".500000" : "Some text value, with words";
                out += "\r\n";
            }
            out += "\r\n";
        }
        return out;
    }();
    return text;
}

void CountTriple(const char*, const char*, const char*, void* user)
{
    ++*static_cast<int64_t*>(user);
}

int CountInihTriple(void* user, const char*, const char*, const char*)
{
    ++*static_cast<int64_t*>(user);
    return 1;
}

void BM_RINIParser_Parse(benchmark::State& state)
{
    const std::string& text = LongINIText();
    RINIParser parser;
    int64_t triples = 0;
    for (auto _ : state) {
        parser.Parse(text.data(), (uint32_t)text.size(), CountTriple, &triples);
        benchmark::DoNotOptimize(triples);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}
BENCHMARK(BM_RINIParser_Parse)->Unit(benchmark::kMillisecond);

void BM_RINIFile_LoadFromMemory(benchmark::State& state)
{
    const std::string& text = LongINIText();
    RINIFile file;
    for (auto _ : state) {
        file.LoadFromMemory(text.data(), (uint32_t)text.size());
        benchmark::DoNotOptimize(file.GetSections().getCount());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}
BENCHMARK(BM_RINIFile_LoadFromMemory)->Unit(benchmark::kMillisecond);

void BM_Inih_ParseString(benchmark::State& state)
{
    const std::string& text = LongINIText();
    int64_t triples = 0;
    for (auto _ : state) {
        ini_parse_string(text.c_str(), CountInihTriple, &triples);
        benchmark::DoNotOptimize(triples);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}
BENCHMARK(BM_Inih_ParseString)->Unit(benchmark::kMillisecond);

} // namespace
