// One frame of the whole program (events, update, a fixed step, the frame update and the drawing of every pass)
// in a full room holding every kind of entity, beside the yardstick of the same frame with no game running: the
// engine's empty frame. The second benchmark reports its CPU time as a multiple of the first ("vs_empty_frame";
// the game should stay under 2). The third grows the room's crowd to 20, 200 and 2,000 entities with spikes (the
// commonest entity, all of one tick priority, all drawn with one material) and reports the main thread's cost per
// entity above the empty frame ("us_per_entity") and the cost of each entity added to the smallest crowd
// ("us_per_added_entity"), which should stay flat as the crowd grows. All run the real game
// object in a window under the X server, with a user folder of their own whose "Maps/" folder holds the
// benchmark's room in place of the campaign's.
#include <benchmark/benchmark.h>

#include "BenchUserFolder.h"
#include "game/WendroGame.h"
#include "game/World.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// The campaign's start room, filled with every kind of entity the game places, and more of each.
std::string FullRoomMap()
{
    std::string map = "[Map]\r\nRooms: Gate Other\r\n[Gate]\r\nX: 0\r\nY: 0\r\nStart: 2 22\r\n";
    for (int row = 0; row < 24; ++row) {
        char line[64];
        const bool edge = row == 0 || row == 23;
        const bool ledge = row == 12;
        snprintf(line, sizeof(line), "Row%02d: %s\r\n", row,
                 edge ? "########################################"
                      : ledge ? "#..====MMMMCCCC====................b..r#" : "#......................................#");
        map += line;
    }
    const char* const entities[] = {"Checkpoint 5 22", "Checkpoint 30 22", "Spikes 20 22", "Spikes 21 22",
                                    "Dripper 10 1",    "Dripper 25 1",     "Dripper 33 1", "Lift 3 18",
                                    "Lift 24 16",      "Teleport 8 22 A",  "Gem 12 11 1",  "Gem 14 11 2",
                                    "Gem 16 11 3",     "DoubleJump 36 22", "WallJump 37 22", "LoseOrb 28 5",
                                    "Spikes 22 22",    "Gem 18 11 4"};
    int index = 1;
    for (const char* entity : entities) {
        char line[64];
        snprintf(line, sizeof(line), "Entity%02d: %s\r\n", index++, entity);
        map += line;
    }
    map += "[Other]\r\nX: 5\r\nY: 5\r\nStart: 2 22\r\n";
    for (int row = 0; row < 24; ++row) {
        char line[64];
        snprintf(line, sizeof(line), "Row%02d: %s\r\n", row,
                 row == 23 ? "########################################" : "#......................................#");
        map += line;
    }
    return map + "Entity01: Teleport 6 22 A\r\n";
}

// The game, started once for the whole run with its user folder in a temporary place.
WendroGame* Game()
{
    static WendroGame* game = [] {
        const std::string root = PointGameAtTemporaryUserFolder("rolt-bench");
        if (root.empty())
            return static_cast<WendroGame*>(nullptr);
        const std::string maps = root + "/data/Brasswick/Quandrel Tarnvow/Maps";
        std::filesystem::create_directories(maps);
        std::ofstream(maps + "/Tarnvow.map", std::ios::binary) << FullRoomMap();
        WendroGame* made = new WendroGame();
        if (!made->InitEngine() || !made->InitSystems())
            return static_cast<WendroGame*>(nullptr);
        made->ApplyVideoMode();
        return made;
    }();
    return game;
}

double ThreadSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void Frame(WendroGame& game)
{
    game.PumpEvents();
    game.Update();
    game.FixedUpdate(1.0f / 60.0f);
    game.UpdateFrame();
    game.RenderFrame();
}

double s_emptyFrameSeconds = 0.0;

void BM_EmptyEngineFrame(benchmark::State& state)
{
    WendroGame* game = Game();
    if (!game) {
        state.SkipWithError("the game could not start (no X server or OpenGL?)");
        return;
    }
    const double start = ThreadSeconds();
    for (auto _ : state)
        Frame(*game);
    s_emptyFrameSeconds = (ThreadSeconds() - start) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_EmptyEngineFrame)->Unit(benchmark::kMicrosecond);

void BM_FullRoomFrame(benchmark::State& state)
{
    WendroGame* game = Game();
    if (!game || (!game->GetWorld() && !game->BeginNewGame(1)) || game->GetWorld()->GetEntityCount() < 18) {
        state.SkipWithError("the benchmark's room did not load");
        return;
    }
    const double start = ThreadSeconds();
    for (auto _ : state)
        Frame(*game);
    const double seconds = (ThreadSeconds() - start) / static_cast<double>(state.iterations());
    state.counters["entities"] = static_cast<double>(game->GetWorld()->GetEntityCount());
    if (s_emptyFrameSeconds > 0.0)
        state.counters["vs_empty_frame"] = seconds / s_emptyFrameSeconds;
}
BENCHMARK(BM_FullRoomFrame)->Unit(benchmark::kMicrosecond);

// The smallest crowd's size and frame, for the slope.
struct Crowd {
    int64_t size = 0;
    double entities = 0.0;
    double seconds = 0.0;
};
Crowd s_smallestCrowd;

// The full room with spikes added until it holds state.range(0) entities. Spikes go on the open rows above the
// ledge, clear of the player and the lifts; the crowd only grows, so the sizes run in ascending order.
void BM_RoomFrameByEntities(benchmark::State& state)
{
    WendroGame* game = Game();
    World* world = game ? game->GetWorld() : nullptr;
    if (!world && game && game->BeginNewGame(1))
        world = game->GetWorld();
    if (!world) {
        state.SkipWithError("the benchmark's room did not load");
        return;
    }
    const uint32_t wanted = static_cast<uint32_t>(state.range(0));
    for (uint32_t placed = 0; world->GetEntityCount() < wanted; ++placed) {
        const float x = static_cast<float>(8 * (1 + placed % 38));
        const float y = static_cast<float>(8 * (2 + (placed / 38) % 9));
        world->SpawnHazard("Spikes", x, y);
    }
    // Let the new entities settle into the lists before measuring.
    for (int i = 0; i < 3; ++i)
        Frame(*game);
    const double start = ThreadSeconds();
    for (auto _ : state)
        Frame(*game);
    const double seconds = (ThreadSeconds() - start) / static_cast<double>(state.iterations());
    const double entities = static_cast<double>(world->GetEntityCount());
    state.counters["entities"] = entities;
    state.counters["us_per_entity"] = (seconds - s_emptyFrameSeconds) * 1e6 / entities;
    // The slope from the smallest crowd: the cost of one more entity, which stays flat when the frame is linear.
    if (s_smallestCrowd.size == 0 || state.range(0) <= s_smallestCrowd.size) {
        s_smallestCrowd = {state.range(0), entities, seconds};
    } else if (entities > s_smallestCrowd.entities) {
        state.counters["us_per_added_entity"] =
            (seconds - s_smallestCrowd.seconds) * 1e6 / (entities - s_smallestCrowd.entities);
    }
    if (s_emptyFrameSeconds > 0.0)
        state.counters["vs_empty_frame"] = seconds / s_emptyFrameSeconds;
}
BENCHMARK(BM_RoomFrameByEntities)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

}  // namespace
