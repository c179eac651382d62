// Building a pack with the pack tool ("rpk create") from folders of 10,000 and 100,000 small files, against
// "tar -cf" archiving the same folder as a yardstick. The time should grow in step with the number of files.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace {

// A folder of count files of 64 to 511 bytes, in a hundred subfolders; removed at exit.
struct FileTree {
    std::string root;

    explicit FileTree(int count)
    {
        char pattern[] = "/tmp/rolt-bench-packtool-XXXXXX";
        root = mkdtemp(pattern) ? pattern : "";
        for (int i = 0; i < count; ++i) {
            std::string folder = root + "/files/group" + std::to_string(i % 100);
            if (i < 100)
                std::filesystem::create_directories(folder);
            std::string bytes(64 + (i * 37) % 448, (char)('a' + i % 26));
            FILE* file = fopen((folder + "/file_" + std::to_string(i) + ".dat").c_str(), "wb");
            if (!file)
                continue;
            fwrite(bytes.data(), 1, bytes.size(), file);
            fclose(file);
        }
    }
    ~FileTree()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
};

FileTree& Tree(int count)
{
    static std::map<int, std::unique_ptr<FileTree>> made;
    std::unique_ptr<FileTree>& tree = made[count];
    if (!tree)
        tree.reset(new FileTree(count));
    return *tree;
}

void Run(benchmark::State& state, const std::string& command)
{
    for (auto _ : state) {
        if (system(command.c_str()) != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RpkCreate(benchmark::State& state)
{
    FileTree& tree = Tree((int)state.range(0));
    Run(state, std::string(ROLT_RPK_PATH) + " create " + tree.root + "/out.rpk " + tree.root + "/files");
}

void BM_TarCreate(benchmark::State& state)
{
    FileTree& tree = Tree((int)state.range(0));
    Run(state, "tar -cf " + tree.root + "/out.tar -C " + tree.root + " files");
}

BENCHMARK(BM_RpkCreate)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TarCreate)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
