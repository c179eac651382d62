#include "platform/audio/RStreamingAudio_Ogg.h"

#include "core/files/RFile.h"

#include "platform/audio/ROggVorbisFile.h"

#include <cstring>

RStreamingAudio_Ogg::~RStreamingAudio_Ogg()
{
    Close();
}

void RStreamingAudio_Ogg::Open()
{
    Close();
    const RSoundAsset* asset = GetAsset();
    if (!asset || asset->GetFilePath().GetLength() <= 0)
        return;
    m_file = RFile::OpenRegular(asset->GetFilePath().GetString());
    if (m_file && fseeko(m_file, static_cast<off_t>(asset->GetFileOffset()), SEEK_SET) != 0)
        Close();
}

void RStreamingAudio_Ogg::Close()
{
    if (m_file) {
        fclose(m_file);
        m_file = nullptr;
    }
}

bool RStreamingAudio_Ogg::FillFromStart(void* dest, uint32_t bytes, uint32_t* dataBytes)
{
    return ReadData(dest, bytes, dataBytes);
}

bool RStreamingAudio_Ogg::ReadData(void* dest, uint32_t bytes, uint32_t* dataBytes)
{
    // Never any data: at its end from the first byte.
    *dataBytes = 0;
    const ROggVorbisFile* ogg = dynamic_cast<const ROggVorbisFile*>(GetAsset());
    if (!ogg || bytes > 0x7FFFFFFFu) {
        memset(dest, 0, bytes);
        return GetStopAtEnd() && bytes > 0;
    }
    return ogg->ReadSamples(dest, static_cast<int32_t>(bytes), GetStopAtEnd());
}
