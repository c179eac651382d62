#include "platform/audio/RStreamingAudio_PCS.h"

#include "core/types/RString.h"
#include "platform/audio/RFMLAudioBuffer.h"

#include <cmath>

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kSecondsPerSample = 2.2675737e-05f;  // 1 / 44,100

int CompareByPriority(const RPCSTune_Playing* a, const RPCSTune_Playing* b, void*)
{
    return a->priority < b->priority ? -1 : (a->priority > b->priority ? 1 : 0);
}

void WriteSample(uint8_t* ring, uint32_t index, int16_t value)
{
    const uint16_t bits = static_cast<uint16_t>(value);
    ring[2 * index] = static_cast<uint8_t>(bits & 0xFF);
    ring[2 * index + 1] = static_cast<uint8_t>(bits >> 8);
}

} // namespace

RStreamingAudio_PCS::RStreamingAudio_PCS(uint32_t ringBytes) : RStreamingAudio(ringBytes)
{
    for (uint32_t n = 0; n < kNoteCount; ++n) {
        const double hertz = 440.0 * std::pow(1.0594630943592953, static_cast<double>(n) - 57.0);
        m_noteTable[n] = static_cast<float>(hertz / 44100.0);
    }
    PlaySilence();
}

void RStreamingAudio_PCS::PlaySilence()
{
    RPCSTune silence;
    ParsePCSTune(RString("1R"), silence.notes);
    silence.loop = 1;
    silence.priority = 0;
    PlayTune(silence);
}

void RStreamingAudio_PCS::PlayTune(const RPCSTune& tune)
{
    if (tune.notes.isEmpty())
        return;
    RPCSTune_Playing playing;
    playing.notes = tune.notes;
    for (RPCSDatum& datum : playing.notes) {
        if (!(datum.duration >= kSecondsPerSample))
            datum.duration = kSecondsPerSample;
        if (!(datum.soundingFraction >= 0.0f))
            datum.soundingFraction = 0.0f;
        if (datum.soundingFraction > 1.0f)
            datum.soundingFraction = 1.0f;
        if (datum.note > RPCSDatum::kHighestNote)
            datum.note = RPCSDatum::kHighestNote;
        if (datum.note < 0)
            datum.note = RPCSDatum::kRest;
    }
    playing.loop = tune.loop;
    playing.priority = tune.priority;

    LockStreaming();
    // Silent over what tunes of higher priority have already rendered ahead (a position that has wrapped past
    // the ring's end lies further ahead).
    const int64_t ringSize = GetRingSize();
    int64_t hold = -1;
    for (const RPCSTune_Playing& other : m_tunes) {
        if (other.priority <= tune.priority || other.writePosition < 0)
            continue;
        int64_t position = other.writePosition;
        if (position < static_cast<int64_t>(m_fillCursor))
            position += ringSize;
        if (position > hold)
            hold = position;
    }
    playing.holdPosition = hold > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(hold);
    m_tunes.push(std::move(playing));
    m_tunes.sort(CompareByPriority, nullptr);
    UnlockStreaming();
}

void RStreamingAudio_PCS::StopTunes()
{
    LockStreaming();
    m_tunes.clear();
    PlaySilence();
    UnlockStreaming();
}

uint32_t RStreamingAudio_PCS::GetTuneCount()
{
    LockStreaming();
    uint32_t count = m_tunes.getCount();
    UnlockStreaming();
    return count;
}

void RStreamingAudio_PCS::Refill()
{
    RStreamingAudio::Refill();  // the queued messages
    LockStreaming();
    RFMLAudioBuffer* buffer = GetBuffer();
    const uint32_t size = GetRingSize() & ~1u;  // whole samples
    if (IsStopped() || size == 0) {
        UnlockStreaming();
        return;
    }
    uint32_t play = 0;
    uint32_t write = 0;
    RFMLAudioBuffer::GetCursors(buffer, &play, &write);
    play %= size;
    write %= size;
    const uint32_t consumed = GetConsumed(play, size);
    const uint32_t ahead = play > write ? write + size - play : write - play;
    const uint32_t start = write & ~1u;
    const uint64_t wanted = 2ull * consumed;
    const uint32_t bytes = static_cast<uint32_t>(wanted < size - ahead ? wanted : size - ahead) & ~1u;
    if (bytes <= GetRefillThreshold(size)) {
        UnlockStreaming();
        return;
    }
    uint32_t i = 0;
    while (i < m_tunes.getCount()) {
        RenderTune(m_tunes[i], play, start, bytes, size);
        if (m_tunes[i].finished)
            m_tunes.erase(i, 1);
        else
            ++i;
    }
    CopyToRing(start, bytes);
    RFMLAudioBuffer::GetCursors(buffer, &play, nullptr);
    m_fillCursor = play % size;
    UnlockStreaming();
}

void RStreamingAudio_PCS::DoStop()
{
    LockStreaming();
    RStreamingAudio::DoStop();
    // Their places in the old ring mean nothing in the rewound one: left there, every tune would stop at the
    // play cursor behind the part being refilled and never be heard in time again.
    for (RPCSTune_Playing& tune : m_tunes) {
        tune.writePosition = -1;
        tune.holdPosition = -1;
    }
    UnlockStreaming();
}

void RStreamingAudio_PCS::RenderTune(RPCSTune_Playing& tune, uint32_t playCursor, uint32_t start, uint32_t bytes,
                                     uint32_t ringSize)
{
    if (tune.notes.isEmpty()) {
        tune.finished = 1;
        return;
    }
    if (tune.writePosition < 0) {
        tune.writePosition = static_cast<int32_t>(start);
    } else {
        // Where the tune stands against this refill's part of the ring. The last refill left it ahead of the
        // play cursor of that time (the fill cursor) by at most the ring; the play cursor has since moved on by
        // the bytes consumed. The music thread does not keep time with the device, so this part may end short
        // of where the last one ended: a tune already rendered that far waits, rather than run on round the
        // ring to the play cursor and fall behind it for good. One left behind by a late refill goes on at the
        // start.
        uint64_t lead = (static_cast<uint64_t>(tune.writePosition) + ringSize - m_fillCursor) % ringSize;
        if (lead == 0)
            lead = ringSize;
        const int64_t overPlay = static_cast<int64_t>(lead) - GetConsumed(playCursor, ringSize);
        const int64_t ahead = (static_cast<int64_t>(start) + ringSize - playCursor) % ringSize;
        if (overPlay >= ahead + static_cast<int64_t>(bytes))
            return;
        if (overPlay <= ahead)
            tune.writePosition = static_cast<int32_t>(start);
    }
    const uint32_t samples = ringSize / 2;
    const uint32_t end = static_cast<uint32_t>((static_cast<uint64_t>(start) + bytes) % ringSize) / 2;
    const uint32_t stopPoint = playCursor / 2;
    bool muted = tune.holdPosition >= 0;
    const uint32_t holdIndex = muted ? static_cast<uint32_t>(tune.holdPosition) % ringSize / 2 : 0;
    uint8_t* ring = GetScratch();

    uint32_t p = static_cast<uint32_t>(tune.writePosition) / 2;
    // Ends within one round of the ring at the latest: both the end and the stop point lie inside it.
    for (;;) {
        if (p >= samples)
            p = 0;
        if (p == stopPoint || p == end)
            break;
        if (muted && p == holdIndex) {
            // Past what the higher tunes had rendered: heard from here on, in later refills too.
            muted = false;
            tune.holdPosition = -1;
        }
        const RPCSDatum& datum = tune.notes[tune.noteIndex];
        const bool isNote = datum.note != RPCSDatum::kRest;
        int16_t value = 0;
        if (isNote && tune.elapsed < datum.duration * datum.soundingFraction)
            value = std::cos(tune.phase) > 0.0f ? kHighLevel : kLowLevel;
        if (!muted)
            WriteSample(ring, p, value);
        if (isNote) {
            tune.phase += m_noteTable[datum.note] * kTwoPi;
            while (tune.phase > kTwoPi)
                tune.phase -= kTwoPi;
        }
        ++p;
        tune.elapsed += kSecondsPerSample;
        while (tune.elapsed > tune.notes[tune.noteIndex].duration) {
            tune.elapsed -= tune.notes[tune.noteIndex].duration;
            if (++tune.noteIndex >= tune.notes.getCount()) {
                tune.noteIndex = 0;
                if (!tune.loop) {
                    tune.finished = 1;
                    break;
                }
            }
        }
        if (tune.finished)
            break;
    }
    tune.writePosition = static_cast<int32_t>(p * 2);
}
