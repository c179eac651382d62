#include "platform/audio/RWaveFile.h"

#include "core/types/RByteOrder.h"
#include "core/files/RPackFile.h"
#include "core/files/RStreamMgr.h"
#include "platform/audio/RSound.h"
#include "platform/audio/RStreamingAudio_Wave.h"

#include <cstring>

namespace {

constexpr uint32_t FourCC(const char (&text)[5])
{
    return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

// Reads little-endian fields from a file while keeping count of the bytes left in the entry.
class ChunkReader {
public:
    ChunkReader(FILE* file, uint64_t bytesLeft) : m_file(file), m_left(bytesLeft) {}

    bool Read32(uint32_t* value)
    {
        uint8_t b[4];
        if (!ReadBytes(b, 4))
            return false;
        *value = ReadLE32(b);
        return true;
    }

    bool Read16(uint16_t* value)
    {
        uint8_t b[2];
        if (!ReadBytes(b, 2))
            return false;
        *value = ReadLE16(b);
        return true;
    }

    // Moves forward by bytes; false when that would leave the entry.
    bool Skip(uint64_t bytes)
    {
        if (bytes > m_left || fseeko(m_file, static_cast<off_t>(bytes), SEEK_CUR) != 0)
            return false;
        m_left -= bytes;
        return true;
    }

    // Reads the id and size of each chunk, skipping every chunk (and its pad byte) until one with the id.
    bool FindChunk(uint32_t id, uint32_t* chunkId, uint32_t* chunkSize)
    {
        for (;;) {
            if (!Read32(chunkId) || !Read32(chunkSize))
                return false;
            if (*chunkId == id)
                return true;
            if (!Skip(static_cast<uint64_t>(*chunkSize) + (*chunkSize & 1)))
                return false;
        }
    }

private:
    bool ReadBytes(uint8_t* out, uint32_t n)
    {
        if (n > m_left || fread(out, 1, n, m_file) != n)
            return false;
        m_left -= n;
        return true;
    }

    FILE* m_file;
    uint64_t m_left;
};

bool FormatIsUsable(const RWaveHeader& header)
{
    if (header.channels == 0 || header.bitsPerSample == 0 || header.samplesPerSecond == 0)
        return false;
    const uint64_t frameBytes = static_cast<uint64_t>(header.channels) * header.bitsPerSample / 8;
    return frameBytes * header.samplesPerSecond <= RWaveFile::kMaxBytesPerSecond;
}

} // namespace

RWaveFile::~RWaveFile()
{
    if (m_file)
        fclose(m_file);
}

int RWaveFile::ReadHeader(RWaveHeader* header, const char* name, FILE** keep)
{
    if (keep)
        *keep = nullptr;
    FILE* file = nullptr;
    int result = RStreamMgr::GetInstance()->OpenFile(&file, name, RStreamMgr::kPacksAndFolders);
    if (result != 0)
        return result;
    const uint32_t entrySize = GetFileSize();
    ChunkReader reader(file, entrySize == RPackFile::kNoSize ? 0 : entrySize);
    bool found = reader.Read32(&header->riffTag) && reader.Read32(&header->riffSize) &&
                 reader.Read32(&header->formType) &&
                 reader.FindChunk(FourCC("fmt "), &header->chunkId, &header->chunkSize) &&
                 header->chunkSize >= 16 && reader.Read16(&header->formatTag) && reader.Read16(&header->channels) &&
                 reader.Read32(&header->samplesPerSecond) && reader.Read32(&header->averageBytesPerSecond) &&
                 reader.Read16(&header->blockAlign) && reader.Read16(&header->bitsPerSample) &&
                 // Extension fields of a longer format chunk, and its pad byte.
                 reader.Skip(static_cast<uint64_t>(header->chunkSize) - 16 + (header->chunkSize & 1)) &&
                 reader.FindChunk(FourCC("data"), &header->dataChunkId, &header->dataChunkSize);
    if (!found) {
        fclose(file);
        return kUnreadable;
    }
    if (keep)
        *keep = file;
    else
        fclose(file);
    return 0;
}

bool RWaveFile::Load(const char* name)
{
    if (m_file) {
        fclose(m_file);
        m_file = nullptr;
    }
    m_format = RAudioFormat();
    m_dataStart = 0;
    m_dataBytes = 0;
    if (!name || !RSoundAsset::Load(name))
        return false;
    FILE* file = nullptr;
    if (ReadHeader(&m_header, name, &file) != 0)
        return false;
    const off_t position = ftello(file);
    const uint64_t entryEnd = static_cast<uint64_t>(GetFileOffset()) + GetFileSize();
    if (!FormatIsUsable(m_header) || position < 0 || static_cast<uint64_t>(position) > entryEnd) {
        fclose(file);
        return false;
    }
    m_file = file;
    m_format.channels = m_header.channels;
    m_format.bitsPerSample = m_header.bitsPerSample;
    m_format.samplesPerSecond = m_header.samplesPerSecond;
    m_dataStart = static_cast<uint32_t>(position);
    // The data chunk as far as the entry holds it, in whole frames.
    uint64_t bytes = entryEnd - static_cast<uint64_t>(position);
    if (m_header.dataChunkSize < bytes)
        bytes = m_header.dataChunkSize;
    const uint64_t frameBytes = static_cast<uint64_t>(m_format.channels) * m_format.bitsPerSample / 8;
    if (frameBytes)
        bytes -= bytes % frameBytes;
    m_dataBytes = static_cast<uint32_t>(bytes);
    return true;
}

bool RWaveFile::ReadSamples(void* dest, int32_t bytes, bool stopAtEnd, FILE* file) const
{
    uint8_t* out = static_cast<uint8_t*>(dest);
    uint64_t wanted = dest && bytes > 0 ? static_cast<uint64_t>(bytes) : 0;
    const int64_t dataStart = m_dataStart;
    const int64_t dataEnd = dataStart + m_dataBytes;
    const bool unsignedSamples = m_format.bitsPerSample == 8;
    bool reachedEnd = false;
    uint64_t readSinceRewind = 1;  // lets the first pass start anywhere in the data
    while (wanted > 0) {
        const int64_t position = file ? static_cast<int64_t>(ftello(file)) : -1;
        bool atEnd = true;
        if (position >= dataStart && position < dataEnd) {
            const uint64_t remaining = static_cast<uint64_t>(dataEnd - position);
            const size_t n = static_cast<size_t>(wanted < remaining ? wanted : remaining);
            const size_t got = fread(out, 1, n, file);
            if (unsignedSamples) {
                for (size_t i = 0; i < got; ++i)
                    out[i] ^= 0x80;
            }
            out += got;
            wanted -= got;
            readSinceRewind += got;
            // The data area is used up, or the file ended early.
            atEnd = got == remaining || got < n;
        } else if (position >= 0 && position < dataStart && m_dataBytes > 0) {
            // Before the data: start at its first byte.
            atEnd = fseeko(file, static_cast<off_t>(dataStart), SEEK_SET) != 0;
        }
        if (!atEnd)
            continue;
        if (file)
            fseeko(file, static_cast<off_t>(dataStart), SEEK_SET);
        if (stopAtEnd) {
            reachedEnd = true;
            break;
        }
        if (readSinceRewind == 0)
            break;  // nothing to go round: the rest stays silent
        readSinceRewind = 0;
    }
    if (wanted > 0)
        memset(out, 0, static_cast<size_t>(wanted));
    return reachedEnd;
}

bool RWaveFile::Fill(void* region1, uint32_t bytes1, void*, uint32_t)
{
    const int32_t bytes = bytes1 > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int32_t>(bytes1);
    ReadSamples(region1, bytes, true, m_file);
    return m_file != nullptr;
}

void RWaveFile::Close()
{
    RSoundAsset::Close();
    if (m_file) {
        fclose(m_file);
        m_file = nullptr;
    }
}

RAudioInterface* RWaveFile::CreateSound()
{
    if (IsStreaming())
        return new RStreamingAudio_Wave(GetBuffer() ? GetBuffer()->GetSize() : 0);
    return new RSound;
}
