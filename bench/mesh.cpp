// Mesh data on the CPU: tangents for a grid as large as 16-bit indices allow, and parsing a mesh file of that
// size from memory.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "render/geometry/RM3DData.h"
#include "render/geometry/RMeshUtil.h"

namespace {

// A flat grid of side x side vertices with texture coordinates along x and y, two triangles per cell.
struct Grid {
    std::vector<RVector3> positions, normals;
    std::vector<RVector2> texCoords;
    std::vector<uint16_t> indices;

    explicit Grid(uint32_t side)
    {
        for (uint32_t y = 0; y < side; ++y) {
            for (uint32_t x = 0; x < side; ++x) {
                positions.push_back({float(x), float(y), 0.0f});
                normals.push_back({0.0f, 0.0f, 1.0f});
                texCoords.push_back({float(x) / side, float(y) / side});
            }
        }
        for (uint32_t y = 0; y + 1 < side; ++y) {
            for (uint32_t x = 0; x + 1 < side; ++x) {
                uint16_t a = uint16_t(y * side + x), b = uint16_t(a + side);
                indices.insert(indices.end(), {a, b, uint16_t(b + 1), a, uint16_t(b + 1), uint16_t(a + 1)});
            }
        }
    }
};

void BM_GenerateTangents(benchmark::State& state)
{
    Grid grid(static_cast<uint32_t>(state.range(0)));
    std::vector<RVector3> tangents(grid.positions.size()), bitangents(grid.positions.size());
    for (auto _ : state) {
        RMeshUtil::GenerateTangents(uint32_t(grid.positions.size()), uint32_t(grid.indices.size()),
                                    grid.indices.data(), grid.positions.data(), grid.normals.data(),
                                    grid.texCoords.data(), tangents.data(), bitangents.data());
        benchmark::DoNotOptimize(tangents.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(grid.positions.size()));
}
BENCHMARK(BM_GenerateTangents)->Arg(16)->Arg(64)->Arg(256);

void Append32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

void BM_ReadMeshFile(benchmark::State& state)
{
    Grid grid(256);
    std::vector<uint8_t> file = {'.', 'm', '3', 'd', 2, 1, 0, 0};
    Append32(file, 3);
    Append32(file, uint32_t(grid.positions.size()));
    Append32(file, uint32_t(grid.indices.size()));
    file.push_back(0);
    Append32(file, 2);
    const uint8_t* indexBytes = reinterpret_cast<const uint8_t*>(grid.indices.data());
    file.insert(file.end(), indexBytes, indexBytes + grid.indices.size() * 2);
    const std::pair<uint32_t, const void*> streams[3] = {{STREAM_POSITION, grid.positions.data()},
                                                          {STREAM_NORMAL, grid.normals.data()},
                                                          {STREAM_TEXCOORD0, grid.texCoords.data()}};
    for (const auto& stream : streams) {
        uint32_t size = stream.first == STREAM_TEXCOORD0 ? 8 : 12;
        Append32(file, stream.first);
        Append32(file, size);
        const uint8_t* bytes = static_cast<const uint8_t*>(stream.second);
        file.insert(file.end(), bytes, bytes + grid.positions.size() * size);
    }
    for (auto _ : state) {
        RM3DData record;
        benchmark::DoNotOptimize(record.Read(file.data(), file.size()));
    }
    state.SetBytesProcessed(state.iterations() * int64_t(file.size()));
}
BENCHMARK(BM_ReadMeshFile);

}  // namespace
