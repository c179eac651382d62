// RAnimationComponent: named sequences of frames, each frame an index (a sprite cell, chosen by the game) shown
// for its own duration, played looping or once. The component owns its sequences. Main thread only.
#pragma once

#include <cstdint>

#include "core/types/RHashedString.h"
#include "core/types/RUtilVector.h"
#include "scene/RComponent.h"

class RAnimationComponent : public RComponent {
    RRTTI_CLASS(RAnimationComponent, RComponent)
public:
    RAnimationComponent() = default;
    ~RAnimationComponent() override;

    // Stores the sequence under the name, replacing one of that name (the playing one stops). False when count
    // is 0 or a duration is not a positive finite number of seconds.
    bool AddSequence(RHashedString name, const int32_t* frames, const float* durations, uint32_t count, bool loop);
    // Starts the sequence from its first frame; the one already playing goes on unless restart. False when there
    // is no sequence of that name.
    bool Play(RHashedString name, bool restart);
    // Advances the playing sequence by step seconds (negative or non-finite steps are ignored).
    void Update(float step);

    // The frame index shown, or -1 when nothing plays.
    int32_t GetFrame() const;
    RHashedString GetSequence() const;
    // True when a sequence played once has shown its last frame for its whole duration.
    bool IsFinished() const { return m_finished; }

private:
    struct Sequence {
        RHashedString name;
        RUtilVector<int32_t> frames;
        RUtilVector<float> durations;
        float length = 0.0f;
        bool loop = false;
    };
    Sequence* Find(RHashedString name) const;

    RUtilVector<Sequence*> m_sequences;
    Sequence* m_playing = nullptr;
    uint32_t m_frame = 0;
    float m_frameTime = 0.0f;
    bool m_finished = false;
};
