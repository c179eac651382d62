// XML parse throughput: the engine's reader beside pugixml and tinyxml2 on the same large document, a level pack
// of rooms with tile rows, entities, nested paths, comments and a declaration (about 5 MB). Each builds a full
// in-memory tree and frees it in every iteration. The engine's parse also reports the heap it holds once the
// tree is built, per byte of the document, and the parse of documents of one size nested to different depths.
#include "core/text/RXMLFile.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <pugixml.hpp>
#include <tinyxml2.h>

#include <random>
#include <string>

namespace {

const std::string& LevelPack()
{
    static const std::string text = [] {
        std::mt19937 random(5);
        std::string out = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<!-- level pack -->\n<levels>\n";
        for (int room = 0; room < 400; ++room) {
            out += "\t<room name=\"Room" + std::to_string(room) + "\" width=\"40\" height=\"30\" music='room" +
                   std::to_string(room % 7) + ".mus' dark=\"" + (room % 3 ? "no" : "yes") + "\">\n";
            out += "\t\t<tiles set=\"stone\" layer=\"0\">\n";
            for (int row = 0; row < 30; ++row) {
                out += "\t\t\t";
                for (int column = 0; column < 40; ++column)
                    out += std::to_string(random() % 24) + (column < 39 ? " " : "\n");
            }
            out += "\t\t</tiles>\n";
            for (int i = 0; i < 25; ++i) {
                out += "\t\t<entity type=\"Bat\" x=\"" + std::to_string(random() % 640) + "\" y=\"" +
                       std::to_string(random() % 480) + "\" active=\"true\">\n";
                out += "\t\t\t<property key=\"speed\" value=\"1." + std::to_string(random() % 10) + "\"/>\n";
                out += "\t\t\t<property key=\"health\" value=\"" + std::to_string(random() % 9 + 1) + "\"/>\n";
                out += "\t\t\t<!-- patrol route -->\n\t\t\t<path loop=\"true\">\n";
                for (int p = 0; p < 4; ++p)
                    out += "\t\t\t\t<point x=\"" + std::to_string(random() % 640) + "\" y=\"" +
                           std::to_string(random() % 480) + "\" wait=\"0.5\"/>\n";
                out += "\t\t\t</path>\n\t\t\tA bat that guards the passage.\n\t\t</entity>\n";
            }
            out += "\t</room>\n";
        }
        out += "</levels>\n";
        return out;
    }();
    return text;
}

// Heap bytes in use, as the C library counts them.
int64_t HeapInUse()
{
    struct mallinfo2 info = mallinfo2();
    return (int64_t)info.uordblks + (int64_t)info.hblkhd;
}

void BM_RXMLFile_Parse(benchmark::State& state)
{
    const std::string& text = LevelPack();
    int64_t held = 0;
    for (auto _ : state) {
        int64_t before = HeapInUse();
        RXMLFile document;
        document.Parse(text.data(), (uint32_t)text.size());
        held = HeapInUse() - before;
        benchmark::DoNotOptimize(document.elements.getData());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
    state.counters["heap_per_byte"] = (double)held / (double)text.size();
}

void BM_TinyXML2_Parse(benchmark::State& state)
{
    const std::string& text = LevelPack();
    for (auto _ : state) {
        tinyxml2::XMLDocument document;
        tinyxml2::XMLError result = document.Parse(text.data(), text.size());
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}

// About 1 MB of elements nested range(0) deep: chains of that depth, each innermost element holding a short
// text, repeated until the size is reached. The time should not grow with the depth.
const std::string& NestedDocument(int depth)
{
    static std::string texts[1025];
    std::string& out = texts[depth];
    if (out.empty()) {
        out = "<root>\n";
        while (out.size() < 1000000) {
            for (int level = 0; level < depth; ++level)
                out += "<node level=\"" + std::to_string(level) + "\">";
            out += "leaf text";
            for (int level = 0; level < depth; ++level)
                out += "</node>";
            out += "\n";
        }
        out += "</root>\n";
    }
    return out;
}

void BM_RXMLFile_ParseNested(benchmark::State& state)
{
    const std::string& text = NestedDocument((int)state.range(0));
    for (auto _ : state) {
        RXMLFile document;
        document.Parse(text.data(), (uint32_t)text.size());
        benchmark::DoNotOptimize(document.elements.getData());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}

void BM_Pugixml_Parse(benchmark::State& state)
{
    const std::string& text = LevelPack();
    for (auto _ : state) {
        pugi::xml_document document;
        pugi::xml_parse_result result = document.load_buffer(text.data(), text.size());
        benchmark::DoNotOptimize(result.status);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}

BENCHMARK(BM_RXMLFile_Parse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pugixml_Parse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TinyXML2_Parse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RXMLFile_ParseNested)->Arg(4)->Arg(32)->Arg(250)->Unit(benchmark::kMillisecond);

}  // namespace
