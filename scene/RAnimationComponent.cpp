#include "scene/RAnimationComponent.h"

#include <cmath>

RAnimationComponent::~RAnimationComponent()
{
    for (uint32_t i = 0; i < m_sequences.getCount(); ++i)
        delete m_sequences[i];
}

RAnimationComponent::Sequence* RAnimationComponent::Find(RHashedString name) const
{
    for (uint32_t i = 0; i < m_sequences.getCount(); ++i) {
        if (m_sequences[i]->name == name)
            return m_sequences[i];
    }
    return nullptr;
}

bool RAnimationComponent::AddSequence(RHashedString name, const int32_t* frames, const float* durations,
                                      uint32_t count, bool loop)
{
    if (count == 0 || !frames || !durations)
        return false;
    float length = 0.0f;
    for (uint32_t i = 0; i < count; ++i) {
        if (!(durations[i] > 0.0f) || !std::isfinite(durations[i]))
            return false;
        length += durations[i];
    }
    if (!std::isfinite(length))
        return false;
    Sequence* sequence = Find(name);
    if (!sequence) {
        sequence = new Sequence();
        sequence->name = name;
        m_sequences.push(sequence);
    }
    if (m_playing == sequence)
        m_playing = nullptr;
    sequence->frames.free();
    sequence->durations.free();
    for (uint32_t i = 0; i < count; ++i) {
        sequence->frames.push(frames[i]);
        sequence->durations.push(durations[i]);
    }
    sequence->length = length;
    sequence->loop = loop;
    return true;
}

bool RAnimationComponent::Play(RHashedString name, bool restart)
{
    Sequence* sequence = Find(name);
    if (!sequence)
        return false;
    if (sequence == m_playing && !restart)
        return true;
    m_playing = sequence;
    m_frame = 0;
    m_frameTime = 0.0f;
    m_finished = false;
    return true;
}

void RAnimationComponent::Update(float step)
{
    if (!m_playing || m_finished || !(step > 0.0f) || !std::isfinite(step))
        return;
    const Sequence& sequence = *m_playing;
    m_frameTime += step;
    // Whole loops are skipped at once, so a long step costs no more than one pass over the frames.
    if (sequence.loop && m_frameTime >= sequence.length)
        m_frameTime = std::fmod(m_frameTime, sequence.length);
    while (m_frameTime >= sequence.durations[m_frame]) {
        m_frameTime -= sequence.durations[m_frame];
        if (m_frame + 1 < sequence.frames.getCount()) {
            ++m_frame;
        } else if (sequence.loop) {
            m_frame = 0;
        } else {
            m_frameTime = sequence.durations[m_frame];
            m_finished = true;
            return;
        }
    }
}

int32_t RAnimationComponent::GetFrame() const
{
    return m_playing ? m_playing->frames[m_frame] : -1;
}

RHashedString RAnimationComponent::GetSequence() const
{
    return m_playing ? m_playing->name : RHashedString();
}
