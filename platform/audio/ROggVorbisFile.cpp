#include "platform/audio/ROggVorbisFile.h"

#include "core/files/RFile.h"

#include "platform/audio/RStreamingAudio_Ogg.h"

#include <cstdio>
#include <cstring>

bool ROggVorbisFile::Load(const char* name)
{
    m_format = RAudioFormat();
    if (!name || !RSoundAsset::Load(name))
        return false;
    FILE* file = RFile::OpenRegular(GetFilePath().GetString());
    if (!file)
        return false;
    const bool placed = fseeko(file, static_cast<off_t>(GetFileOffset()), SEEK_SET) == 0;
    fclose(file);
    return placed;
}

bool ROggVorbisFile::Fill(void* region1, uint32_t bytes1, void*, uint32_t)
{
    const int32_t bytes = bytes1 > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int32_t>(bytes1);
    ReadSamples(region1, bytes, true);
    return true;
}

bool ROggVorbisFile::ReadSamples(void* dest, int32_t bytes, bool stopAtEnd) const
{
    if (!dest || bytes <= 0)
        return false;
    memset(dest, 0, static_cast<size_t>(bytes));
    return stopAtEnd;
}

RAudioInterface* ROggVorbisFile::CreateSound()
{
    return new RStreamingAudio_Ogg(GetBuffer() ? GetBuffer()->GetSize() : 0);
}
