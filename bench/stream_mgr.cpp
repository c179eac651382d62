// Reading many small files: by name through the stream manager from one mounted pack, against the same files
// read loose from a folder with plain stdio. Both read every file once per iteration; the argument is the
// number of files. A pack's lookup should not grow with its count: reading only its last entry is timed too.
#include "core/files/RPackFile.h"
#include "core/files/RStreamMgr.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct SmallFiles {
    std::string root;
    std::vector<std::string> names;

    explicit SmallFiles(int count)
    {
        char pattern[] = "/tmp/rolt-bench-streams-XXXXXX";
        root = mkdtemp(pattern) ? pattern : "";
        std::filesystem::create_directories(root + "/loose");
        RPackFile pack;
        pack.Create((root + "/content.rpk").c_str());
        for (int i = 0; i < count; ++i) {
            char name[64];
            snprintf(name, sizeof name, "sub/entry_%06d.txt", i);
            std::string bytes(64 + (i * 37) % 448, (char)('a' + i % 26));
            pack.AddBuffer(name, bytes.data(), (uint32_t)bytes.size());
            std::filesystem::create_directories(root + "/loose/sub");
            FILE* file = fopen((root + "/loose/" + name).c_str(), "wb");
            fwrite(bytes.data(), 1, bytes.size(), file);
            fclose(file);
            names.push_back(name);
        }
        pack.Close();
    }
    ~SmallFiles() { std::filesystem::remove_all(root); }
};

SmallFiles& Files(int count)
{
    static std::map<int, std::unique_ptr<SmallFiles>> made;
    std::unique_ptr<SmallFiles>& files = made[count];
    if (!files)
        files.reset(new SmallFiles(count));
    return *files;
}

void BM_PackThroughStreamMgr(benchmark::State& state)
{
    SmallFiles& files = Files((int)state.range(0));
    RStreamMgr::DestroyInstance();
    RStreamMgr* mgr = RStreamMgr::GetInstance();
    mgr->MountPack((files.root + "/content.rpk").c_str());
    for (auto _ : state) {
        for (const std::string& name : files.names) {
            char* buffer = nullptr;
            uint32_t size = 0;
            mgr->ReadFile(name.c_str(), &buffer, &size, RStreamMgr::kPacksAndFolders, true);
            benchmark::DoNotOptimize(buffer);
            delete[] buffer;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    RStreamMgr::DestroyInstance();
}
BENCHMARK(BM_PackThroughStreamMgr)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000);

// One read of the last entry of a pack of range(0) entries (in a case other than the one stored).
void BM_PackLastEntry(benchmark::State& state)
{
    SmallFiles& files = Files((int)state.range(0));
    RStreamMgr::DestroyInstance();
    RStreamMgr* mgr = RStreamMgr::GetInstance();
    mgr->MountPack((files.root + "/content.rpk").c_str());
    std::string name = files.names.back();
    name[0] = 'S';
    for (auto _ : state) {
        char* buffer = nullptr;
        uint32_t size = 0;
        mgr->ReadFile(name.c_str(), &buffer, &size, RStreamMgr::kPacksAndFolders, true);
        benchmark::DoNotOptimize(buffer);
        delete[] buffer;
    }
    RStreamMgr::DestroyInstance();
}
BENCHMARK(BM_PackLastEntry)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000);

void BM_LooseWithStdio(benchmark::State& state)
{
    SmallFiles& files = Files((int)state.range(0));
    std::vector<std::string> paths;
    for (const std::string& name : files.names)
        paths.push_back(files.root + "/loose/" + name);
    for (auto _ : state) {
        for (const std::string& path : paths) {
            FILE* file = fopen(path.c_str(), "rb");
            fseek(file, 0, SEEK_END);
            long size = ftell(file);
            fseek(file, 0, SEEK_SET);
            char* buffer = new char[size + 1];
            size_t count = fread(buffer, 1, (size_t)size, file);
            buffer[count] = 0;
            fclose(file);
            benchmark::DoNotOptimize(buffer);
            delete[] buffer;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LooseWithStdio)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000);

} // namespace
