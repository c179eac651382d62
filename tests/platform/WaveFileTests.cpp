// Sound assets: WAVE files made by sox and python3 read and compared with their samples, malformed files, the sample
// reader's end handling, and the Ogg asset.
#include "AudioTestSupport.h"
#include "core/files/RPackFile.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/ROggVorbisFile.h"
#include "platform/audio/RWaveFile.h"

#include <cstdio>
#include <memory>

namespace {

using namespace audiotest;

class WaveFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RMixer().Init();
        RAudioMgr::GetInstance()->SetStreamLength(0.5f);
    }
    void TearDown() override { RAudioMgr::DestroyInstance(); }

    static std::unique_ptr<RWaveFile> LoadWave(const std::string& name, bool* loaded = nullptr)
    {
        std::unique_ptr<RWaveFile> asset(new RWaveFile);
        bool ok = LoadAsset(asset.get(), name.c_str(), false);
        if (loaded)
            *loaded = ok;
        return asset;
    }
    static std::vector<Frame> PlayThroughMixer(RWaveFile* asset, uint32_t frames)
    {
        RFMLAudioBuffer* copy = RFMLAudioBuffer::Duplicate(asset->GetBuffer());
        RFMLAudioBuffer::Play(copy, false);
        std::vector<Frame> out = Mix(frames);
        RFMLAudioBuffer::Destroy(copy);
        return out;
    }

    TempAudioFolder m_folder;
};

TEST_F(WaveFileTest, SoxFilesOfEveryPlayableLayoutPlayTheirRawSamples)
{
    for (int layout = 0; layout < 4; ++layout) {
        const int channels = 1 + layout % 2;
        const int bits = layout < 2 ? 8 : 16;
        SCOPED_TRACE(std::to_string(channels) + " channels, " + std::to_string(bits) + " bits");
        const std::string stem = m_folder.File("sox" + std::to_string(layout));
        ASSERT_TRUE(RunTool("sox -R -n -r 44100 -c " + std::to_string(channels) + " -b " + std::to_string(bits) +
                            " -e " + (bits == 8 ? "unsigned-integer " : "signed-integer ") + stem +
                            ".wav synth 0.05 whitenoise vol 0.8"));
        ASSERT_TRUE(RunTool("sox " + stem + ".wav -t raw " + stem + ".raw"));
        const std::vector<uint8_t> raw = ReadBytes(stem + ".raw");
        bool loaded = false;
        std::unique_ptr<RWaveFile> asset = LoadWave("sox" + std::to_string(layout) + ".wav", &loaded);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(asset->GetFormat().channels, static_cast<uint32_t>(channels));
        EXPECT_EQ(asset->GetFormat().bitsPerSample, static_cast<uint32_t>(bits));
            ASSERT_EQ(asset->GetDataSize(), raw.size());
        const uint32_t frameBytes = static_cast<uint32_t>(channels * bits / 8);
        const uint32_t frames = static_cast<uint32_t>(raw.size()) / frameBytes;
        std::vector<Frame> out = PlayThroughMixer(asset.get(), frames + 10);
        for (uint32_t i = 0; i < frames; ++i) {
            int16_t samples[2] = {0, 0};
            for (int ch = 0; ch < channels; ++ch) {
                const uint8_t* p = &raw[i * frameBytes + static_cast<uint32_t>(ch * bits / 8)];
                samples[ch] = bits == 8 ? static_cast<int16_t>((p[0] - 128) * 256) : Signed16(p);
            }
            ASSERT_EQ(out[i], (Frame{samples[0], samples[channels - 1]})) << "frame " << i;
        }
        EXPECT_EQ(out[frames], kSilence);
    }
}

TEST_F(WaveFileTest, TruncatedDataIsCutToWholeFramesPresent)
{
    ASSERT_TRUE(WriteWave(m_folder, "whole.wav", 2, 2, 44100, "[1000 + i for i in range(200)]"));
    std::vector<uint8_t> bytes = ReadBytes(m_folder.File("whole.wav"));
    bytes.resize(44 + 101); // 25 whole frames and one byte of the next
    WriteBytes(m_folder.File("cut.wav"), bytes);
    bool loaded = false;
    std::unique_ptr<RWaveFile> asset = LoadWave("cut.wav", &loaded);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(asset->GetHeader().dataChunkSize, 400u);
    EXPECT_EQ(asset->GetDataSize(), 100u);
    std::vector<Frame> out = PlayThroughMixer(asset.get(), 30);
    EXPECT_EQ(out[24], (Frame{1048, 1049}));
    EXPECT_EQ(out[25], kSilence);
}

TEST_F(WaveFileTest, MalformedFilesFailCleanly)
{
    ASSERT_TRUE(WriteWave(m_folder, "good.wav", 1, 2, 44100, "[5] * 100"));
    const std::vector<uint8_t> good = ReadBytes(m_folder.File("good.wav"));
    auto with = [&](size_t offset, std::vector<uint8_t> patch) {
        std::vector<uint8_t> bytes = good;
        std::copy(patch.begin(), patch.end(), bytes.begin() + static_cast<long>(offset));
        return bytes;
    };
    auto cut = [&](size_t length) { return std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(length)); };
    const std::pair<const char*, std::vector<uint8_t>> cases[] = {
        {"empty", {}},
        {"cut inside the RIFF header", cut(10)},
        {"cut inside the format", cut(30)},
        {"cut before the data chunk", cut(36)},
        {"text, not a WAVE file", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n', 'x', 'y', 'z', 'w'}},
        {"format chunk of 14 bytes", with(16, {14, 0, 0, 0})},
        {"format chunk larger than the file", with(16, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"no format chunk", with(12, {'f', 'm', 'x', ' '})},
        {"no data chunk", with(36, {'d', 'a', 't', 'x'})},
        {"0 channels", with(22, {0, 0})},
        {"0 bits per sample", with(34, {0, 0})},
        {"0 samples per second", with(24, {0, 0, 0, 0})},
        {"4,000,000,000 samples per second", with(24, {0x00, 0x28, 0x6B, 0xEE})},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const std::string name = "bad" + std::to_string(index++) + ".wav";
        WriteBytes(m_folder.File(name), c.second);
        const int filesBefore = OpenFileCount();
        bool loaded = true;
        std::unique_ptr<RWaveFile> asset = LoadWave(name, &loaded);
        EXPECT_FALSE(loaded);
        EXPECT_EQ(asset->GetDataSize(), 0u);
        EXPECT_EQ(asset->GetBuffer()->GetSize(), 0u);
        EXPECT_EQ(OpenFileCount(), filesBefore);
    }

    bool loaded = true;
    std::unique_ptr<RWaveFile> missing = LoadWave("no-such-sound.wav", &loaded);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(missing->GetDataSize(), 0u);
    RWaveHeader header;
    FILE* kept = reinterpret_cast<FILE*>(1);
    EXPECT_EQ(missing->ReadHeader(&header, "no-such-sound.wav", &kept), 2);
    EXPECT_EQ(kept, nullptr);
}

TEST_F(WaveFileTest, HugeDataSizeInAPackStaysInsideItsEntry)
{
    // The data chunk claims 2 GB; the entry is followed in the pack by another that must not be read.
    ASSERT_TRUE(WriteWave(m_folder, "inpack.wav", 1, 2, 44100, "[300] * 50"));
    std::vector<uint8_t> wave = ReadBytes(m_folder.File("inpack.wav"));
    wave[40] = wave[41] = wave[42] = 0x00;
    wave[43] = 0x80;
    const std::vector<uint8_t> after(512, 0x7F);
    const std::string packPath = m_folder.File("sounds.rpk");
    {
        RPackFile pack;
        ASSERT_TRUE(pack.Create(packPath.c_str()));
        ASSERT_TRUE(pack.AddBuffer("packed.wav", wave.data(), static_cast<uint32_t>(wave.size())));
        ASSERT_TRUE(pack.AddBuffer("after.bin", after.data(), static_cast<uint32_t>(after.size())));
        ASSERT_TRUE(pack.Close());
    }
    RStreamMgr::GetInstance()->MountPack(packPath.c_str());
    bool loaded = false;
    std::unique_ptr<RWaveFile> asset = LoadWave("packed.wav", &loaded);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(asset->GetDataStart(), asset->GetFileOffset() + 44);
    EXPECT_EQ(asset->GetDataSize(), 100u);
    std::vector<Frame> out = PlayThroughMixer(asset.get(), 60);
    EXPECT_EQ(out[49], (Frame{300, 300}));
    EXPECT_EQ(out[50], kSilence);
}

TEST_F(WaveFileTest, ReadSamplesLoopsOrStopsAtTheEndOfTheDataAndNeverSpins)
{
    ASSERT_TRUE(WriteWave(m_folder, "reader.wav", 1, 1, 44100, "[129, 130, 131, 132]",
                          "open('" + m_folder.File("reader.wav") + "', 'ab').write(b'LIST\\4\\0\\0\\0zzzz')\n"));
    std::unique_ptr<RWaveFile> asset = LoadWave("reader.wav");
    ASSERT_EQ(asset->GetDataSize(), 4u);
    FILE* file = fopen(m_folder.File("reader.wav").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    fseek(file, static_cast<long>(asset->GetDataStart()), SEEK_SET);

    // Without stop-at-end the data goes round (the chunk after the data is not sound).
    uint8_t out[10];
    EXPECT_FALSE(asset->ReadSamples(out, 10, false, file));
    const uint8_t looped[10] = {1, 2, 3, 4, 1, 2, 3, 4, 1, 2};
    EXPECT_EQ(0, memcmp(out, looped, 10));
    // With it, the rest is zeros and the end is reported; the file is back at the data's start.
    EXPECT_TRUE(asset->ReadSamples(out, 10, true, file));
    const uint8_t stopped[10] = {3, 4, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, memcmp(out, stopped, 10));
    EXPECT_EQ(ftell(file), static_cast<long>(asset->GetDataStart()));
    // A position past the data counts as its end; nothing negative is read.
    fseek(file, 0, SEEK_END);
    memset(out, 0xEE, sizeof out);
    EXPECT_TRUE(asset->ReadSamples(out, 10, true, file));
    EXPECT_EQ(0, memcmp(out, stopped + 2, 8));
    EXPECT_EQ(ftell(file), static_cast<long>(asset->GetDataStart()));
    fclose(file);

    // Empty data: silence, without looping forever.
    ASSERT_TRUE(WriteWave(m_folder, "nodata.wav", 2, 2, 44100, "[]"));
    bool loaded = false;
    asset = LoadWave("nodata.wav", &loaded);
    ASSERT_TRUE(loaded);
    file = fopen(m_folder.File("nodata.wav").c_str(), "rb");
    memset(out, 0xEE, sizeof out);
    EXPECT_FALSE(asset->ReadSamples(out, 10, false, file));
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[9], 0);
    fclose(file);
}

TEST_F(WaveFileTest, StreamedAssetHasARingOfWholeFramesNeverEmpty)
{
    ASSERT_TRUE(WriteWave(m_folder, "stream22.wav", 2, 2, 22050, "[7] * 1000"));
    std::unique_ptr<RWaveFile> asset(new RWaveFile);
    ASSERT_TRUE(LoadAsset(asset.get(), "stream22.wav", true));
    RAudioMgr::GetInstance()->SetStreamLength(0.123457f);
    EXPECT_EQ(asset->GetStreamBufferSize() % 4, 0u);
    RAudioMgr::GetInstance()->SetStreamLength(0.0f);
    EXPECT_GT(asset->GetStreamBufferSize(), 0u);
}

TEST_F(WaveFileTest, OggAssetIsSilentAndClosesItsFile)
{
    WriteBytes(m_folder.File("music.ogg"), std::vector<uint8_t>(100, 'O'));
    const int filesBefore = OpenFileCount();
    ROggVorbisFile asset;
    EXPECT_TRUE(LoadAsset(&asset, "music.ogg", true));
    EXPECT_EQ(OpenFileCount(), filesBefore);
    uint8_t out[4] = {9, 9, 9, 9};
    EXPECT_TRUE(asset.ReadSamples(out, 4, true));
    EXPECT_EQ(out[3], 0);
}

} // namespace
