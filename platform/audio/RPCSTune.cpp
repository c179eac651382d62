#include "platform/audio/RPCSTune.h"

#include "core/types/RString.h"

namespace {

// Digit runs stop growing here.
constexpr int64_t kMaxNumber = 1000000;
// The octave shift stops here either way; any shift this large already clamps every note.
constexpr int64_t kMaxShift = 1000;

// Semitones of A to G above C.
constexpr int32_t kSemitones[7] = {9, 11, 0, 2, 4, 5, 7};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsBlank(char c)
{
    return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == ' ';
}

// Reads the run of digits at text[*i] (there must be one), leaving *i after it.
int64_t ReadNumber(const char* text, int length, int* i)
{
    int64_t value = 0;
    while (*i < length && IsDigit(text[*i])) {
        value = value * 10 + (text[*i] - '0');
        if (value > kMaxNumber)
            value = kMaxNumber;
        ++*i;
    }
    return value;
}

} // namespace

void ParsePCSTune(const RString& text, RUtilVector<RPCSDatum>& out)
{
    out.clear();
    const char* chars = text.GetString();
    const int length = text.GetLength() > 0 ? text.GetLength() : 0;
    int64_t octave = 4;
    int64_t noteLength = 4;
    int64_t tempo = 120;
    int64_t percent = 100;
    int64_t shift = 0;

    int i = 0;
    while (i < length) {
        const char c = chars[i];
        if (IsDigit(c)) {
            noteLength = ReadNumber(chars, length, &i);
            if (noteLength < 1)
                noteLength = 1;
            continue;
        }
        ++i;
        if (IsBlank(c))
            continue;
        const bool digitFollows = i < length && IsDigit(chars[i]);
        if (c == 'T' || c == 'O' || c == 'P') {
            if (!digitFollows)
                continue;
            const int64_t value = ReadNumber(chars, length, &i);
            if (c == 'T')
                tempo = value < 1 ? 1 : value;
            else if (c == 'O')
                octave = value;
            else
                percent = value;
            continue;
        }
        if (c == '<' || c == '>') {
            shift += c == '<' ? -1 : 1;
            if (shift < -kMaxShift)
                shift = -kMaxShift;
            if (shift > kMaxShift)
                shift = kMaxShift;
            continue;
        }
        const bool isNote = c >= 'A' && c <= 'G';
        if (c != 'R' && !isNote)
            continue;

        RPCSDatum datum;
        datum.duration = (240.0f / static_cast<float>(tempo)) / static_cast<float>(noteLength);
        const float fraction = static_cast<float>(percent) / 100.0f;
        datum.soundingFraction = fraction > 1.0f ? 1.0f : fraction;
        if (isNote) {
            int64_t accidental = 0;
            if (i < length && (chars[i] == 'b' || chars[i] == '#')) {
                accidental = chars[i] == 'b' ? -1 : 1;
                ++i;
            }
            if (i < length && IsDigit(chars[i]))
                octave = ReadNumber(chars, length, &i);
            if (i < length && chars[i] == '.') {
                datum.duration *= 1.5f;
                ++i;
            }
            int64_t note = (shift + octave) * 12 + kSemitones[c - 'A'] + accidental;
            if (note < 0)
                note = 0;
            if (note > RPCSDatum::kHighestNote)
                note = RPCSDatum::kHighestNote;
            datum.note = static_cast<int32_t>(note);
        }
        out.push(datum);
    }
}
