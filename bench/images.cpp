// Decoding BMP and TGA files with RImage, and the same files with stb_image in the same run as a yardstick.
// The files are written at start-up into a temporary folder: 24- and 32-bit BMP, plain 24-bit TGA and
// run-length 32-bit TGA, at 64, 256 and 1024 pixels square, of sprite-like rows (runs of a few colours). RImage
// reads them through the stream manager, loose from the folder and, for the plain BMP and TGA, from a pack.
#include <benchmark/benchmark.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/files/RPackFile.h"
#include "core/files/RStreamMgr.h"
#include "render/images/RImage.h"

namespace {

const int kSizes[] = {64, 256, 1024};

enum Kind { kBMP24, kBMP32, kTGA24, kTGARLE32, kKindCount };
const char* const kKindNames[kKindCount] = {"bmp24", "bmp32", "tga24", "tga32rle"};

// Runs of 1 to 24 pixels drawn from a small palette, as sprite and tile art has.
uint32_t SpriteColour(int x, int y)
{
    static const uint32_t palette[6] = {0xFF000000u, 0xFFE0C080u, 0xFF3060A0u, 0x80FFFFFFu, 0xFF20A040u, 0x00000000u};
    const int run = (x / (1 + (y * 7 + x / 24) % 24)) + y / 3;
    return palette[run % 6];
}

void PutU16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void PushPixel(std::vector<uint8_t>& b, uint32_t c, int bytes)
{
    b.push_back(static_cast<uint8_t>(c));
    b.push_back(static_cast<uint8_t>(c >> 8));
    b.push_back(static_cast<uint8_t>(c >> 16));
    if (bytes == 4)
        b.push_back(static_cast<uint8_t>(c >> 24));
}

// A TGA of the sprite pattern, rows bottom-up; run-length packets when rle is set.
std::vector<uint8_t> MakeTGA(int side, int bytes, bool rle)
{
    std::vector<uint8_t> b = {0, 0, static_cast<uint8_t>(rle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    PutU16(b, static_cast<uint32_t>(side));
    PutU16(b, static_cast<uint32_t>(side));
    b.push_back(static_cast<uint8_t>(bytes * 8));
    b.push_back(bytes == 4 ? 8 : 0);
    std::vector<uint32_t> pixels;
    for (int y = side - 1; y >= 0; --y)
        for (int x = 0; x < side; ++x)
            pixels.push_back(SpriteColour(x, y));
    if (!rle) {
        for (uint32_t c : pixels)
            PushPixel(b, c, bytes);
        return b;
    }
    for (size_t i = 0; i < pixels.size();) {
        size_t run = 1;
        while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i])
            ++run;
        if (run > 1) {
            b.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
            PushPixel(b, pixels[i], bytes);
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < pixels.size() && raw < 128 &&
               (i + raw + 1 >= pixels.size() || pixels[i + raw] != pixels[i + raw + 1]))
            ++raw;
        b.push_back(static_cast<uint8_t>(raw - 1));
        for (size_t k = 0; k < raw; ++k)
            PushPixel(b, pixels[i + k], bytes);
        i += raw;
    }
    return b;
}

// The benchmark files, written once and removed at exit.
class BenchFiles {
public:
    BenchFiles()
    {
        char pattern[] = "/tmp/rolt_bench_images_XXXXXX";
        if (!mkdtemp(pattern))
            return;
        m_folder = pattern;
        RStreamMgr::GetInstance()->AddSearchPath("");
        for (int side : kSizes) {
            for (int bytes : {3, 4}) {
                RImage image;
                image.Create(side, side, bytes);
                for (int y = 0; y < side; ++y)
                    for (int x = 0; x < side; ++x)
                        image.SetPixel(x, y, SpriteColour(x, y));
                image.SaveBMP(Path(bytes == 3 ? kBMP24 : kBMP32, side).c_str());
            }
            Write(Path(kTGA24, side), MakeTGA(side, 3, false));
            Write(Path(kTGARLE32, side), MakeTGA(side, 4, true));
        }
        RPackFile pack;
        pack.Create((m_folder + "/images.rpk").c_str());
        for (int side : kSizes) {
            for (Kind kind : {kBMP24, kTGA24})
                pack.AddFile(Path(kind, side).c_str(), EntryName(kind, side).c_str());
        }
        pack.Close();
        RStreamMgr::GetInstance()->MountPack((m_folder + "/images.rpk").c_str());
    }
    ~BenchFiles()
    {
        std::error_code ignored;
        if (!m_folder.empty())
            std::filesystem::remove_all(m_folder, ignored);
        RStreamMgr::DestroyInstance();
    }

    std::string Path(Kind kind, int side) const { return m_folder + "/" + EntryName(kind, side); }
    static std::string EntryName(Kind kind, int side)
    {
        return std::string(kKindNames[kind]) + "_" + std::to_string(side) + (kind <= kBMP32 ? ".bmp" : ".tga");
    }

private:
    static void Write(const std::string& path, const std::vector<uint8_t>& bytes)
    {
        FILE* file = fopen(path.c_str(), "wb");
        if (!file)
            return;
        fwrite(bytes.data(), 1, bytes.size(), file);
        fclose(file);
    }

    std::string m_folder;
};

const BenchFiles& Files()
{
    static BenchFiles files;
    return files;
}

void Decode(benchmark::State& state, Kind kind, bool yardstick, bool fromPack = false)
{
    const int side = static_cast<int>(state.range(0));
    const std::string path = fromPack ? BenchFiles::EntryName(kind, side) : Files().Path(kind, side);
    Files();
    for (auto _ : state) {
        if (yardstick) {
            int w = 0, h = 0, channels = 0;
            stbi_uc* pixels = stbi_load(path.c_str(), &w, &h, &channels, 0);
            if (!pixels) {
                state.SkipWithError("stb_image could not decode the file");
                break;
            }
            benchmark::DoNotOptimize(pixels);
            stbi_image_free(pixels);
        } else {
            RImage image;
            const bool ok = kind <= kBMP32 ? image.LoadBMP(path.c_str()) : image.LoadTGA(path.c_str());
            if (!ok) {
                state.SkipWithError("RImage could not decode the file");
                break;
            }
            benchmark::DoNotOptimize(image.GetPixels());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(side) * side);
}

void RImage_BMP24(benchmark::State& state) { Decode(state, kBMP24, false); }
void Stb_BMP24(benchmark::State& state) { Decode(state, kBMP24, true); }
void RImage_BMP32(benchmark::State& state) { Decode(state, kBMP32, false); }
void Stb_BMP32(benchmark::State& state) { Decode(state, kBMP32, true); }
void RImage_TGA24(benchmark::State& state) { Decode(state, kTGA24, false); }
void Stb_TGA24(benchmark::State& state) { Decode(state, kTGA24, true); }
void RImage_TGARLE32(benchmark::State& state) { Decode(state, kTGARLE32, false); }
void RImage_BMP24_Pack(benchmark::State& state) { Decode(state, kBMP24, false, true); }
void RImage_TGA24_Pack(benchmark::State& state) { Decode(state, kTGA24, false, true); }
void Stb_TGARLE32(benchmark::State& state) { Decode(state, kTGARLE32, true); }

}  // namespace

BENCHMARK(RImage_BMP24)->Arg(64)->Arg(256)->Arg(1024);
BENCHMARK(Stb_BMP24)->Arg(64)->Arg(256)->Arg(1024);
BENCHMARK(RImage_BMP32)->Arg(64)->Arg(256)->Arg(1024);
BENCHMARK(Stb_BMP32)->Arg(64)->Arg(256)->Arg(1024);
BENCHMARK(RImage_TGA24)->Arg(64)->Arg(256)->Arg(1024);
BENCHMARK(Stb_TGA24)->Arg(64)->Arg(256)->Arg(1024);
BENCHMARK(RImage_TGARLE32)->Arg(64)->Arg(256)->Arg(1024);
BENCHMARK(Stb_TGARLE32)->Arg(64)->Arg(256)->Arg(1024);
BENCHMARK(RImage_BMP24_Pack)->Arg(64)->Arg(256)->Arg(1024);
BENCHMARK(RImage_TGA24_Pack)->Arg(64)->Arg(256)->Arg(1024);
