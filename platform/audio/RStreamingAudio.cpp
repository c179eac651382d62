#include "platform/audio/RStreamingAudio.h"

#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RFMLAudioBuffer.h"
#include "platform/audio/RSoundAsset.h"

#include <SDL_mutex.h>
#include <cstdlib>
#include <cstring>

namespace {
// Shared by every stream; made by the first one and kept for the life of the process.
SDL_mutex* s_streamingLock = nullptr;
}

RStreamingAudio::RStreamingAudio(uint32_t ringBytes)
{
    if (!s_streamingLock)
        s_streamingLock = SDL_CreateMutex();
    m_messages.setNoShrink(true);
    if (ringBytes) {
        m_scratch = static_cast<uint8_t*>(calloc(ringBytes, 1));
        m_scratchSize = m_scratch ? ringBytes : 0;
    }
}

RStreamingAudio::~RStreamingAudio()
{
    free(m_scratch);
}

void RStreamingAudio::LockStreaming()
{
    if (s_streamingLock)
        SDL_LockMutex(s_streamingLock);
}

void RStreamingAudio::UnlockStreaming()
{
    if (s_streamingLock)
        SDL_UnlockMutex(s_streamingLock);
}

void RStreamingAudio::Queue(uint32_t type, uint8_t loop, float value)
{
    MusicMsgWrapper message;
    message.type = type;
    if (type == MusicMsgWrapper::kPlay)
        message.payload.loop = loop;
    else
        message.payload.value = value;
    LockStreaming();
    m_messages.push(message);
    UnlockStreaming();
}

RAudioInterface* RStreamingAudio::Play(bool loop)
{
    Queue(MusicMsgWrapper::kPlay, loop ? 1 : 0, 0.0f);
    TouchVolume();
    TouchPan();
    return this;
}

void RStreamingAudio::Pause()
{
    Queue(MusicMsgWrapper::kPause, 0, 0.0f);
}

void RStreamingAudio::Stop()
{
    Queue(MusicMsgWrapper::kStop, 0, 0.0f);
}

void RStreamingAudio::SetVolume(float volume)
{
    m_volume = volume;
    TouchVolume();
}

void RStreamingAudio::TouchVolume()
{
    Queue(MusicMsgWrapper::kSetVolume, 0, GetGroupVolume() * m_volume);
}

void RStreamingAudio::SetPan(float pan)
{
    m_pan = pan;
    TouchPan();
}

void RStreamingAudio::TouchPan()
{
    Queue(MusicMsgWrapper::kSetPan, 0, m_pan);
}

uint32_t RStreamingAudio::GetPendingMessageCount()
{
    LockStreaming();
    uint32_t count = m_messages.getCount();
    UnlockStreaming();
    return count;
}

void RStreamingAudio::ProcessMessages()
{
    LockStreaming();
    for (const MusicMsgWrapper& message : m_messages) {
        switch (message.type) {
        case MusicMsgWrapper::kPlay:
            DoPlay(message.payload.loop != 0);
            break;
        case MusicMsgWrapper::kPause:
            DoPause();
            break;
        case MusicMsgWrapper::kStop:
            DoStop();
            break;
        case MusicMsgWrapper::kSetVolume:
            DoSetVolume(message.payload.value);
            break;
        case MusicMsgWrapper::kSetPan:
            DoSetPan(message.payload.value);
            break;
        default:
            break;
        }
    }
    m_messages.clear();
    UnlockStreaming();
}

void RStreamingAudio::Refill()
{
    ProcessMessages();
}

bool RStreamingAudio::IsStopped()
{
    LockStreaming();
    uint32_t status = 0;
    RFMLAudioBuffer::GetStatus(GetBuffer(), &status);
    UnlockStreaming();
    return status == 0;
}

void RStreamingAudio::DoPlay(bool loopSound)
{
    LockStreaming();
    const bool stopAtEnd = !loopSound;
    m_stopAtEnd = stopAtEnd;
    if (m_atStart && stopAtEnd != m_filledStopAtEnd) {
        // Nothing has played yet, but the ring was filled for the other way of playing.
        DoStop();
    } else if (m_ended && !stopAtEnd) {
        // Looping again before the end played out: the reading goes on from the data's start.
        m_ended = false;
    }
    m_atStart = false;
    // The ring itself always loops; a sound that plays once is stopped by the refill after its data's end.
    RFMLAudioBuffer::Play(GetBuffer(), true);
    UnlockStreaming();
}

void RStreamingAudio::DoPause()
{
    LockStreaming();
    RFMLAudioBuffer::Stop(GetBuffer());
    UnlockStreaming();
}

void RStreamingAudio::DoStop()
{
    LockStreaming();
    m_ended = false;
    const uint32_t size = GetRingSize();
    uint32_t dataBytes = 0;
    if (size && FillFromStart(m_scratch, size, &dataBytes)) {
        m_ended = true;
        m_bytesUntilEnd = dataBytes;  // counted from the play cursor at 0
    }
    // The new first bytes and the cursors at 0 in one step: a playing ring goes straight on from its start.
    RFMLAudioBuffer::RewindWith(GetBuffer(), m_scratch, size);
    m_fillCursor = 0;
    m_atStart = true;
    m_filledStopAtEnd = m_stopAtEnd;
    UnlockStreaming();
}

void RStreamingAudio::DoSetVolume(float volume)
{
    LockStreaming();
    RFMLAudioBuffer::SetVolume(GetBuffer(), volume);
    UnlockStreaming();
}

void RStreamingAudio::DoSetPan(float pan)
{
    LockStreaming();
    RFMLAudioBuffer::SetPan(GetBuffer(), pan);
    UnlockStreaming();
}

bool RStreamingAudio::FillFromStart(void* dest, uint32_t bytes, uint32_t* dataBytes)
{
    memset(dest, 0, bytes);
    *dataBytes = 0;
    return false;
}

bool RStreamingAudio::ReadData(void* dest, uint32_t bytes, uint32_t* dataBytes)
{
    memset(dest, 0, bytes);
    *dataBytes = 0;
    return false;
}

RFMLAudioBuffer* RStreamingAudio::GetBuffer() const
{
    return GetAsset() ? GetAsset()->GetBuffer() : nullptr;
}

uint32_t RStreamingAudio::GetRingSize() const
{
    RFMLAudioBuffer* buffer = GetBuffer();
    if (!buffer)
        return 0;
    return buffer->GetSize() < m_scratchSize ? buffer->GetSize() : m_scratchSize;
}

uint32_t RStreamingAudio::GetConsumed(uint32_t playCursor, uint32_t ringSize) const
{
    uint64_t consumed;
    if (playCursor >= m_fillCursor)
        consumed = playCursor - m_fillCursor;
    else
        consumed = static_cast<uint64_t>(playCursor) + ringSize - m_fillCursor;
    return consumed < ringSize ? static_cast<uint32_t>(consumed) : ringSize;
}

uint32_t RStreamingAudio::GetRefillThreshold(uint32_t ringSize)
{
    const float share = static_cast<float>(ringSize) * RAudioMgr::GetInstance()->GetStreamUpdatePercent();
    return static_cast<uint32_t>(share);
}

void RStreamingAudio::CopyToRing(uint32_t ringOffset, uint32_t bytes)
{
    RFMLAudioBuffer* buffer = GetBuffer();
    const uint32_t size = GetRingSize();
    void* region1 = nullptr;
    void* region2 = nullptr;
    uint32_t bytes1 = 0;
    uint32_t bytes2 = 0;
    if (!bytes || ringOffset >= size ||
        !RFMLAudioBuffer::Lock(buffer, ringOffset, bytes, &region1, &bytes1, &region2, &bytes2, 0))
        return;
    // The regions lie within the ring's first size bytes, which the scratch copy mirrors.
    if (bytes1 <= size - ringOffset)
        RFMLAudioBuffer::CopyIn(buffer, region1, m_scratch + ringOffset, bytes1);
    if (bytes2 <= size)
        RFMLAudioBuffer::CopyIn(buffer, region2, m_scratch, bytes2);
    RFMLAudioBuffer::Unlock(buffer, region1, bytes1, region2, bytes2);
}

void RStreamingAudio::RefillFromData()
{
    ProcessMessages();
    if (IsStopped())
        return;
    const uint32_t size = GetRingSize();
    if (size == 0)
        return;
    uint32_t play = 0;
    uint32_t write = 0;
    RFMLAudioBuffer::GetCursors(GetBuffer(), &play, &write);
    const uint32_t consumed = GetConsumed(play, size);
    if (consumed <= GetRefillThreshold(size))
        return;
    // The played bytes from the fill cursor on, round the ring's end.
    const uint32_t fill = m_fillCursor < size ? m_fillCursor : 0;
    const uint32_t part1 = consumed < size - fill ? consumed : size - fill;
    const uint32_t part2 = consumed - part1;
    bool endReached = false;
    uint32_t dataBytes = 0;
    if (m_ended) {
        // After the end nothing more is read: the stream plays out.
        memset(m_scratch + fill, 0, part1);
        memset(m_scratch, 0, part2);
    } else {
        endReached = ReadData(m_scratch + fill, part1, &dataBytes);
        if (endReached) {
            memset(m_scratch, 0, part2);
        } else if (part2) {
            endReached = ReadData(m_scratch, part2, &dataBytes);
            dataBytes += part1;
        }
    }
    CopyToRing(fill, consumed);
    m_fillCursor = play;
    if (endReached) {
        // The bytes just written play on the ring's next round, after the bytes ahead of the play cursor.
        m_ended = true;
        m_bytesUntilEnd = size - (consumed - dataBytes);
    } else if (m_ended) {
        if (consumed >= m_bytesUntilEnd) {
            // Played out: stopped, and ready to play again from the start.
            DoPause();
            DoStop();
        } else {
            m_bytesUntilEnd -= consumed;
        }
    }
}
