// Music strings for the tone generator: ParsePCSTune turns a text such as "T100 O4 8C D E." into a list of notes
// (RPCSDatum), and game code wraps the list with a loop flag and a priority into an RPCSTune for
// RStreamingAudio_PCS::PlayTune. The records are plain values; the tune owns its note list.
#pragma once

#include "core/types/RUtilVector.h"

#include <cstdint>

class RString;

// One note or rest.
struct RPCSDatum {
    static constexpr int32_t kRest = -1;
    static constexpr int32_t kHighestNote = 107;

    int32_t note = kRest;           // 12 × octave + semitone (C of octave 0 = 0, A of octave 4 = 57), or kRest
    float duration = 0.0f;          // seconds
    float soundingFraction = 1.0f;  // the share of the duration during which the tone sounds, 0..1
};

struct RPCSTune {
    RUtilVector<RPCSDatum> notes;
    uint8_t loop = 0;       // start again at the first note after the last
    int32_t priority = 0;   // the higher priority is heard where tunes overlap
};

// Empties out, then appends one RPCSDatum per note or rest of text. The grammar: blanks are skipped; a run of
// digits sets the length (1 a whole note, 4 a quarter); "T", "O" and "P" with digits set the tempo (quarter notes
// per minute), the octave and the sounding percent; "<" and ">" shift the octave of every later note down and
// up; "R" is a rest; "A" to "G" are notes, optionally followed by "b" or "#", digits (the octave from here on)
// and a "." (half as long again); anything else is skipped. Numbers saturate, and tempo and length are at least
// 1, so every element lasts a positive time.
void ParsePCSTune(const RString& text, RUtilVector<RPCSDatum>& out);
