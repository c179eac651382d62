// RPCSpeaker: the sound asset of the tone generator. It has no file: its format is mono signed 16-bit at 44,100
// per second, its data size is 0 (it has a ring only when streamed) and its first contents are silence.
#pragma once

#include "platform/audio/RSoundAsset.h"

class RPCSpeaker : public RSoundAsset {
public:
    // Sets the format; a name, if given, is looked up like any asset's.
    bool Load(const char* name) override;
    // Zeroes the first region.
    bool Fill(void* region1, uint32_t bytes1, void* region2, uint32_t bytes2) override;
    // A new RStreamingAudio_PCS with a ring of the buffer's size (silent without one).
    RAudioInterface* CreateSound() override;
};
