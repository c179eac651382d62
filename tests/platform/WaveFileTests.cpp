// Sound assets: WAVE files made by outside tools (python3's wave module, sox) read and compared with their samples,
// malformed files met with a clean failure, the sample reader's end handling, and the Ogg and tone-generator
// assets.
#include "AudioTestSupport.h"
#include "core/RPackFile.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/ROggVorbisFile.h"
#include "platform/audio/RPCSpeaker.h"
#include "platform/audio/RSound.h"
#include "platform/audio/RWaveFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

using namespace audiotest;

// Writes name with python3's wave module: the samples as given (8-bit ones unsigned, as the format stores them).
std::string WaveProgram(const std::string& path, int channels, int sampleBytes, int rate, const std::string& samples)
{
    std::string pack = sampleBytes == 1 ? "bytes(s)" : "b''.join(struct.pack('<h', v) for v in s)";
    return "import struct, wave\n"
           "s = " + samples + "\n"
           "w = wave.open('" + path + "', 'wb')\n"
           "w.setnchannels(" + std::to_string(channels) + ")\n"
           "w.setsampwidth(" + std::to_string(sampleBytes) + ")\n"
           "w.setframerate(" + std::to_string(rate) + ")\n"
           "w.writeframes(" + pack + ")\n"
           "w.close()\n";
}

class WaveFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RMixer().Init();
        RAudioMgr::GetInstance()->SetStreamLength(0.5f);
    }
    void TearDown() override { RAudioMgr::DestroyInstance(); }

    // A plain (not streamed) asset loaded the way the audio manager loads one.
    static std::unique_ptr<RWaveFile> LoadWave(const std::string& name, bool* loaded = nullptr)
    {
        std::unique_ptr<RWaveFile> asset(new RWaveFile);
        bool ok = LoadAsset(asset.get(), name.c_str(), false);
        if (loaded)
            *loaded = ok;
        return asset;
    }

    // Plays a loaded asset's data through the mixer once and returns what came out.
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

TEST_F(WaveFileTest, SixteenBitStereoFromPythonPlaysItsSamples)
{
    const std::string name = "py16s.wav";
    ASSERT_TRUE(RunPython(m_folder, WaveProgram(m_folder.File(name), 2, 2, 44100,
                                                "[(i * 977) % 65536 - 32768 for i in range(2000)]")));
    const int before = OpenFileCount();
    bool loaded = false;
    std::unique_ptr<RWaveFile> asset = LoadWave(name, &loaded);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(OpenFileCount(), before);  // Close closed the loading file
    EXPECT_EQ(asset->GetFormat().channels, 2u);
    EXPECT_EQ(asset->GetFormat().bitsPerSample, 16u);
    EXPECT_EQ(asset->GetFormat().samplesPerSecond, 44100u);
    EXPECT_EQ(asset->GetDataSize(), 4000u);
    EXPECT_EQ(asset->GetDataStart(), 44u);
    EXPECT_EQ(asset->GetFilePath().GetString(), m_folder.File(name));

    std::vector<Frame> out = PlayThroughMixer(asset.get(), 1100);
    for (int i = 0; i < 1000; ++i) {
        Frame expected{static_cast<int16_t>((2 * i * 977) % 65536 - 32768),
                       static_cast<int16_t>(((2 * i + 1) * 977) % 65536 - 32768)};
        ASSERT_EQ(out[i], expected) << "frame " << i;
    }
    EXPECT_EQ(out[1000], (Frame{0, 0}));
}

TEST_F(WaveFileTest, EightBitMonoIsUnsignedInTheFileAndSignedInTheBuffer)
{
    const std::string name = "py8m.wav";
    ASSERT_TRUE(RunPython(m_folder, WaveProgram(m_folder.File(name), 1, 1, 44100, "[i % 256 for i in range(300)]")));
    std::unique_ptr<RWaveFile> asset = LoadWave(name);
    EXPECT_EQ(asset->GetDataSize(), 300u);
    std::vector<uint8_t> bytes = BufferBytes(asset->GetBuffer());
    ASSERT_EQ(bytes.size(), 300u);
    EXPECT_EQ(bytes[128], 0);     // 128, silence
    EXPECT_EQ(bytes[0], 0x80);    // 0, the lowest level
    EXPECT_EQ(bytes[255], 0x7F);  // 255, the highest
    std::vector<Frame> out = PlayThroughMixer(asset.get(), 300);
    for (int i = 0; i < 300; ++i) {
        int16_t level = static_cast<int16_t>((i % 256 - 128) * 256);
        ASSERT_EQ(out[i], (Frame{level, level})) << "frame " << i;
    }
}

TEST_F(WaveFileTest, SoxFilesOfEveryPlayableLayoutMatchTheirRawSamples)
{
    struct Case {
        int channels;
        int bits;
    };
    for (Case c : {Case{1, 8}, Case{2, 8}, Case{1, 16}, Case{2, 16}}) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels, " + std::to_string(c.bits) + " bits");
        const std::string stem = "sox" + std::to_string(c.channels) + "x" + std::to_string(c.bits);
        const std::string encoding = c.bits == 8 ? "unsigned-integer" : "signed-integer";
        ASSERT_TRUE(RunTool("sox -R -n -r 44100 -c " + std::to_string(c.channels) + " -b " + std::to_string(c.bits) +
                        " -e " + encoding + " " + m_folder.File(stem + ".wav") + " synth 0.05 whitenoise vol 0.8"));
        ASSERT_TRUE(RunTool("sox " + m_folder.File(stem + ".wav") + " -t raw " + m_folder.File(stem + ".raw")));
        const std::vector<uint8_t> raw = ReadBytes(m_folder.File(stem + ".raw"));
        std::unique_ptr<RWaveFile> asset = LoadWave(stem + ".wav");
        ASSERT_EQ(asset->GetDataSize(), raw.size());
        const uint32_t frameBytes = static_cast<uint32_t>(c.channels * c.bits / 8);
        const uint32_t frames = static_cast<uint32_t>(raw.size()) / frameBytes;
        std::vector<Frame> out = PlayThroughMixer(asset.get(), frames + 10);
        for (uint32_t i = 0; i < frames; ++i) {
            int16_t samples[2] = {0, 0};
            for (int ch = 0; ch < c.channels; ++ch) {
                const uint8_t* p = &raw[i * frameBytes + static_cast<uint32_t>(ch * c.bits / 8)];
                samples[ch] = c.bits == 8 ? static_cast<int16_t>((p[0] - 128) * 256) : Signed16(p);
            }
            Frame expected{samples[0], c.channels == 2 ? samples[1] : samples[0]};
            ASSERT_EQ(out[i], expected) << "frame " << i;
        }
        EXPECT_EQ(out[frames], (Frame{0, 0}));
    }
}

TEST_F(WaveFileTest, ChunksAroundTheFormatAndDataAreSkipped)
{
    // A python-made file rebuilt with an odd-sized chunk (and its pad byte) before "fmt ", a format chunk of 18
    // bytes, a "fact" chunk before "data" and a "LIST" chunk after it.
    const std::string name = "chunky.wav";
    ASSERT_TRUE(RunPython(m_folder, WaveProgram(m_folder.File("plain.wav"), 2, 2, 44100,
                                                "[(-1) ** i * (i + 1) for i in range(400)]") +
                                        "import struct\n"
                                        "d = open('" + m_folder.File("plain.wav") + "', 'rb').read()\n"
                                        "fmt = d[20:36]\n"
                                        "data = d[44:]\n"
                                        "def chunk(tag, body):\n"
                                        "    return tag + struct.pack('<I', len(body)) + body + (b'\\0' if len(body) % 2 else b'')\n"
                                        "body = b'WAVE' + chunk(b'junk', b'abc') + chunk(b'fmt ', fmt + b'\\0\\0') + "
                                        "chunk(b'fact', struct.pack('<I', 200)) + chunk(b'data', data) + "
                                        "chunk(b'LIST', b'INFOzzzz')\n"
                                        "open('" + m_folder.File(name) + "', 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)\n"));
    bool loaded = false;
    std::unique_ptr<RWaveFile> asset = LoadWave(name, &loaded);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(asset->GetHeader().chunkSize, 18u);
    EXPECT_EQ(asset->GetFormat().channels, 2u);
    EXPECT_EQ(asset->GetDataSize(), 800u);
    std::vector<Frame> out = PlayThroughMixer(asset.get(), 210);
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(out[i], (Frame{static_cast<int16_t>(2 * i + 1), static_cast<int16_t>(-(2 * i + 2))}));
    EXPECT_EQ(out[200], (Frame{0, 0}));
}

TEST_F(WaveFileTest, SoxExtendedFormatLoadsAndMixesAsSilence)
{
    // sox writes 24-bit data with a 40-byte format chunk and a "fact" chunk.
    const std::string name = "sox24.wav";
    ASSERT_TRUE(RunTool("sox -R -n -r 22050 -c 2 -b 24 " + m_folder.File(name) + " synth 0.01 sine 440"));
    bool loaded = false;
    std::unique_ptr<RWaveFile> asset = LoadWave(name, &loaded);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(asset->GetHeader().chunkSize, 40u);
    EXPECT_EQ(asset->GetFormat().bitsPerSample, 24u);
    EXPECT_EQ(asset->GetFormat().samplesPerSecond, 22050u);
    EXPECT_EQ(asset->GetDataSize(), asset->GetHeader().dataChunkSize);
    EXPECT_EQ(asset->GetDataSize() % 6, 0u);
    EXPECT_GT(asset->GetDataSize(), 0u);
    for (const Frame& f : PlayThroughMixer(asset.get(), 64))
        ASSERT_EQ(f, (Frame{0, 0}));
}

TEST_F(WaveFileTest, TruncatedDataIsCutToWholeFramesPresent)
{
    const std::string name = "cut.wav";
    ASSERT_TRUE(RunPython(m_folder, WaveProgram(m_folder.File("whole.wav"), 2, 2, 44100,
                                                "[1000 + i for i in range(200)]")));
    std::vector<uint8_t> bytes = ReadBytes(m_folder.File("whole.wav"));
    bytes.resize(44 + 101);  // 25 whole frames and one byte of the next
    WriteBytes(m_folder.File(name), bytes);
    bool loaded = false;
    std::unique_ptr<RWaveFile> asset = LoadWave(name, &loaded);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(asset->GetHeader().dataChunkSize, 400u);
    EXPECT_EQ(asset->GetDataSize(), 100u);
    std::vector<Frame> out = PlayThroughMixer(asset.get(), 30);
    EXPECT_EQ(out[24], (Frame{1048, 1049}));
    EXPECT_EQ(out[25], (Frame{0, 0}));
}

TEST_F(WaveFileTest, MalformedFilesFailCleanly)
{
    ASSERT_TRUE(RunPython(m_folder, WaveProgram(m_folder.File("good.wav"), 1, 2, 44100, "[5] * 100")));
    const std::vector<uint8_t> good = ReadBytes(m_folder.File("good.wav"));
    auto with = [&](size_t offset, std::vector<uint8_t> patch) {
        std::vector<uint8_t> bytes = good;
        for (size_t i = 0; i < patch.size(); ++i)
            bytes[offset + i] = patch[i];
        return bytes;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n', 'x', 'y', 'z', 'w'};
    std::vector<Case> cases = {
        {"empty", {}},
        {"cut inside the RIFF header", std::vector<uint8_t>(good.begin(), good.begin() + 10)},
        {"cut inside the format", std::vector<uint8_t>(good.begin(), good.begin() + 30)},
        {"cut before the data chunk", std::vector<uint8_t>(good.begin(), good.begin() + 36)},
        {"text, not a WAVE file", text},
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = "bad" + std::to_string(index++) + ".wav";
        WriteBytes(m_folder.File(name), c.bytes);
        const int before = OpenFileCount();
        bool loaded = true;
        std::unique_ptr<RWaveFile> asset = LoadWave(name, &loaded);
        EXPECT_FALSE(loaded);
        EXPECT_EQ(asset->GetDataSize(), 0u);
        EXPECT_EQ(asset->GetFormat().channels, 0u);
        EXPECT_EQ(asset->GetBuffer()->GetSize(), 0u);
        EXPECT_EQ(OpenFileCount(), before);
    }

    // A missing file: nothing to read, a silent sound.
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
    // The data chunk claims 2 GB; the entry is followed in the pack by another entry that must not be read.
    ASSERT_TRUE(RunPython(m_folder, WaveProgram(m_folder.File("inpack.wav"), 1, 2, 44100, "[300] * 50")));
    std::vector<uint8_t> wave = ReadBytes(m_folder.File("inpack.wav"));
    wave[40] = 0x00;
    wave[41] = 0x00;
    wave[42] = 0x00;
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
    EXPECT_EQ(asset->GetFilePath().GetString(), packPath);
    EXPECT_EQ(asset->GetDataStart(), asset->GetFileOffset() + 44);
    EXPECT_EQ(asset->GetDataSize(), 100u);
    std::vector<Frame> out = PlayThroughMixer(asset.get(), 60);
    EXPECT_EQ(out[49], (Frame{300, 300}));
    EXPECT_EQ(out[50], (Frame{0, 0}));
}

TEST_F(WaveFileTest, ReadSamplesLoopsOrStopsAtTheEndOfTheData)
{
    const std::string name = "reader.wav";
    ASSERT_TRUE(RunPython(m_folder, WaveProgram(m_folder.File(name), 1, 1, 44100, "[129, 130, 131, 132]") +
                                        "open('" + m_folder.File(name) + "', 'ab').write(b'LIST\\4\\0\\0\\0zzzz')\n"));
    std::unique_ptr<RWaveFile> asset = LoadWave(name);
    ASSERT_EQ(asset->GetDataSize(), 4u);
    FILE* file = fopen(m_folder.File(name).c_str(), "rb");
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

    // Data that ends exactly with the request also reports the end.
    EXPECT_TRUE(asset->ReadSamples(out, 4, true, file));
    EXPECT_EQ(0, memcmp(out, looped, 4));

    // A position past the data counts as its end; nothing negative is read.
    fseek(file, 0, SEEK_END);
    memset(out, 0xEE, sizeof out);
    EXPECT_TRUE(asset->ReadSamples(out, 10, true, file));
    EXPECT_EQ(0, memcmp(out, stopped + 2, 8));
    EXPECT_EQ(ftell(file), static_cast<long>(asset->GetDataStart()));

    // No file reads as silence, and never loops forever.
    memset(out, 0xEE, sizeof out);
    EXPECT_FALSE(asset->ReadSamples(out, 10, false, nullptr));
    EXPECT_EQ(out[9], 0);
    fclose(file);
}

TEST_F(WaveFileTest, EmptyDataReadsAsSilenceWithoutLooping)
{
    const std::string name = "nodata.wav";
    ASSERT_TRUE(RunPython(m_folder, WaveProgram(m_folder.File(name), 2, 2, 44100, "[]")));
    bool loaded = false;
    std::unique_ptr<RWaveFile> asset = LoadWave(name, &loaded);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(asset->GetDataSize(), 0u);
    FILE* file = fopen(m_folder.File(name).c_str(), "rb");
    uint8_t out[16];
    memset(out, 0xEE, sizeof out);
    EXPECT_FALSE(asset->ReadSamples(out, 16, false, file));
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[15], 0);
    fclose(file);
}

TEST_F(WaveFileTest, StreamedAssetHasARingOfStreamLength)
{
    const std::string name = "stream22.wav";
    ASSERT_TRUE(RunPython(m_folder, WaveProgram(m_folder.File(name), 2, 2, 22050, "[7] * 1000")));
    std::unique_ptr<RWaveFile> asset(new RWaveFile);
    ASSERT_TRUE(LoadAsset(asset.get(), name.c_str(), true));
    EXPECT_EQ(asset->GetStreamBufferSize(), 44100u);
    EXPECT_EQ(asset->GetBuffer()->GetSize(), 44100u);
    // The whole data, then zeros.
    std::vector<uint8_t> bytes = BufferBytes(asset->GetBuffer());
    EXPECT_EQ(Signed16(&bytes[1998]), 7);
    EXPECT_EQ(Signed16(&bytes[2000]), 0);
    // A ring always holds whole frames.
    RAudioMgr::GetInstance()->SetStreamLength(0.123457f);
    EXPECT_EQ(asset->GetStreamBufferSize() % 4, 0u);
    // A stream length of 0 is raised to the shortest one: the ring is never empty.
    RAudioMgr::GetInstance()->SetStreamLength(0.0f);
    EXPECT_GT(asset->GetStreamBufferSize(), 0u);
}

TEST_F(WaveFileTest, PlainWaveMakesAPlainSound)
{
    const std::string name = "plainsound.wav";
    ASSERT_TRUE(RunPython(m_folder, WaveProgram(m_folder.File(name), 1, 2, 44100, "[1] * 10")));
    std::unique_ptr<RWaveFile> asset = LoadWave(name);
    RAudioInterface* sound = asset->CreateSound();
    ASSERT_NE(dynamic_cast<RSound*>(sound), nullptr);
    sound->SetAsset(asset.release());
    delete sound;
}

TEST_F(WaveFileTest, ToneGeneratorAssetIsSilentMonoSixteenBit)
{
    RPCSpeaker plain;
    EXPECT_TRUE(LoadAsset(&plain, nullptr, false));
    EXPECT_EQ(plain.GetFormat().channels, 1u);
    EXPECT_EQ(plain.GetFormat().bitsPerSample, 16u);
    EXPECT_EQ(plain.GetFormat().samplesPerSecond, 44100u);
    EXPECT_EQ(plain.GetBuffer()->GetSize(), 0u);

    RPCSpeaker streamed;
    LoadAsset(&streamed, nullptr, true);
    EXPECT_EQ(streamed.GetBuffer()->GetSize(), 44100u);
    for (uint8_t b : BufferBytes(streamed.GetBuffer()))
        ASSERT_EQ(b, 0);
}

TEST_F(WaveFileTest, OggAssetIsSilentAndClosesItsFile)
{
    const std::string name = "music.ogg";
    WriteBytes(m_folder.File(name), std::vector<uint8_t>(100, 'O'));
    const int before = OpenFileCount();
    ROggVorbisFile asset;
    EXPECT_TRUE(LoadAsset(&asset, name.c_str(), true));
    EXPECT_EQ(OpenFileCount(), before);
    EXPECT_EQ(asset.GetFormat().channels, 0u);
    EXPECT_EQ(asset.GetBuffer()->GetSize(), 0u);
    uint8_t out[4] = {9, 9, 9, 9};
    EXPECT_TRUE(asset.ReadSamples(out, 4, true));
    EXPECT_EQ(out[3], 0);
    EXPECT_FALSE(asset.ReadSamples(out, 4, false));
    EXPECT_FALSE(asset.ReadSamples(out, 0, true));

    ROggVorbisFile missing;
    EXPECT_FALSE(LoadAsset(&missing, "no-such-music.ogg", false));
    EXPECT_EQ(OpenFileCount(), before);
}

} // namespace
