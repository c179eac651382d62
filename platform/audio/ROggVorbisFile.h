// ROggVorbisFile: the sound asset of an Ogg Vorbis file. The engine has no Vorbis decoder, so the asset has the
// empty format, a buffer of 0 bytes, and its reader yields only silence.
#pragma once

#include "platform/audio/RSoundAsset.h"

class ROggVorbisFile : public RSoundAsset {
public:
    // Finds the file and checks that it opens at its offset (the file is closed again); the format stays empty.
    bool Load(const char* name) override;
    // Zeroes the first region.
    bool Fill(void* region1, uint32_t bytes1, void* region2, uint32_t bytes2) override;
    // A new RStreamingAudio_Ogg, streamed or not.
    RAudioInterface* CreateSound() override;

    // Writes bytes zeros to dest; true when stopAtEnd is set and bytes > 0 (the data is always at its end).
    bool ReadSamples(void* dest, int32_t bytes, bool stopAtEnd) const;
};
