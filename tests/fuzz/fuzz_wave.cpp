// WAVE files: the chunk walk, then the samples read into a buffer of the size the asset asks for, the way the
// audio manager loads a sound, both whole and streamed.
#include "FuzzSupport.h"
#include "platform/audio/RFMLAudioBuffer.h"
#include "platform/audio/RWaveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteInput("input.wav", data, size);
    for (bool streaming : {false, true}) {
        RWaveFile wave;
        wave.Load("input.wav");
        wave.SetStreaming(streaming);
        wave.SetBuffer(RFMLAudioBuffer::Create(wave.GetBufferDesc()));
        void *region1 = nullptr, *region2 = nullptr;
        uint32_t bytes1 = 0, bytes2 = 0;
        if (wave.LockAll(&region1, &bytes1, &region2, &bytes2))
            wave.Fill(region1, bytes1, region2, bytes2);
        wave.Close();
    }
    return 0;
}
