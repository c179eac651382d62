// Swept queries of small movers through a room of tile boxes: the collision world's grid beside a plain loop
// over every box as the yardstick. The room is 40 x 24 tiles of 8 pixels; each listed tile is a 6-pixel box in its
// cell, so the movers fly through the lanes between them and meet boxes at random. The argument is the number of
// tiles listed (960: every tile of the room).
#include "scene/RCollisionBox.h"
#include "scene/RCollisionWorld.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace {

struct Room {
    std::vector<std::unique_ptr<RCollisionBox>> tiles;
    std::vector<RVector2> starts;
    std::vector<RVector2> deltas;
};

// The first count tiles of the room in a shuffled order, and 48 movers' starts and moves (up to 16 pixels).
Room MakeRoom(int count)
{
    Room room;
    std::mt19937 random(7);
    std::vector<int> cells(40 * 24);
    for (int i = 0; i < 40 * 24; ++i)
        cells[i] = i;
    std::shuffle(cells.begin(), cells.end(), random);
    RCollisionWorld* world = RCollisionWorld::GetInstance();
    for (int i = 0; i < count; ++i) {
        const int x = cells[i] % 40, y = cells[i] / 40;
        room.tiles.emplace_back(new RCollisionBox({x * 8.0f + 4.0f, y * 8.0f + 4.0f}, {3.0f, 3.0f}));
        world->AddShape(room.tiles.back().get());
    }
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int i = 0; i < 48; ++i) {
        // On the lane corners between the tiles.
        room.starts.push_back({8.0f * (1 + static_cast<int>(unit(random) * 38)),
                               8.0f * (1 + static_cast<int>(unit(random) * 22))});
        room.deltas.push_back({(unit(random) - 0.5f) * 32.0f, (unit(random) - 0.5f) * 32.0f});
    }
    return room;
}

const RVector2 kMoverHalf = {0.75f, 0.75f};

void BM_SweepGrid(benchmark::State& state)
{
    Room room = MakeRoom(static_cast<int>(state.range(0)));
    RCollisionWorld* world = RCollisionWorld::GetInstance();
    const RSweepFilter filter;
    for (auto _ : state) {
        for (size_t i = 0; i < room.starts.size(); ++i) {
            RSweepContact contact;
            benchmark::DoNotOptimize(world->SweepBox(room.starts[i], kMoverHalf, room.deltas[i], filter, &contact,
                                                     nullptr));
            benchmark::DoNotOptimize(contact.hit.time);
        }
    }
    state.SetItemsProcessed(state.iterations() * room.starts.size());
    room.tiles.clear();
    RCollisionWorld::DestroyInstance();
}

void BM_SweepEveryBox(benchmark::State& state)
{
    Room room = MakeRoom(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (size_t i = 0; i < room.starts.size(); ++i) {
            float first = 2.0f;
            for (const auto& tile : room.tiles) {
                RSweepHit hit;
                if (tile->SweepBox(room.starts[i], kMoverHalf, room.deltas[i], &hit) == SWEEP_HIT &&
                    hit.time < first)
                    first = hit.time;
            }
            benchmark::DoNotOptimize(first);
        }
    }
    state.SetItemsProcessed(state.iterations() * room.starts.size());
    room.tiles.clear();
    RCollisionWorld::DestroyInstance();
}

}  // namespace

BENCHMARK(BM_SweepGrid)->Arg(240)->Arg(960);
BENCHMARK(BM_SweepEveryBox)->Arg(240)->Arg(960);
