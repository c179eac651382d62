#include "game/Cinematic.h"

#include "basegame/RBaseGame.h"
#include "game/RoomView.h"
#include "game/WendroGame.h"
#include "game/World.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RStreamingAudio_PCS.h"

#include <cstdio>

namespace {

RHashedString ClickName(int index)
{
    char name[16];
    snprintf(name, sizeof(name), "%s_%d", "click", index);
    return RHashedString(name);
}

}  // namespace

Cinematic::Cinematic(WendroGame& game, World& world, bool won)
    : RTimedSubroutine(RHashedString(won ? "Wendro_Ending" : "Wendro_Failure"), won ? 10.0f : 7.0f),
      m_game(game), m_world(world), m_won(won)
{
    char figures[64];
    if (won) {
        m_lines[0] = "THE ORB BLAZES WHITE.";
        m_lines[1] = "THE TARNVOW LIES STILL AT LAST,";
        m_lines[2] = "AND THE LONG DESCENT IS OVER.";
        snprintf(figures, sizeof(figures), "TREASURES FOUND: %u OF %u", world.GetStats().treasures,
                 world.GetTreasureTotal());
        m_lines[4] = figures;
        snprintf(figures, sizeof(figures), "FALLS: %u", world.GetStats().deaths);
        m_lines[5] = figures;
    } else {
        m_lines[0] = "THE DARK ORB DRINKS THE LIGHT.";
        m_lines[1] = "THE TARNVOW CLOSES OVER YOU.";
        m_lines[3] = "THE DESCENT MUST BEGIN AGAIN.";
    }
    SetCapturesInput(true);
}

Cinematic::~Cinematic()
{
    if (!m_clicksLoaded)
        return;
    RAudioMgr* audio = RAudioMgr::GetInstance();
    for (int i = 0; i < kKeyClicks; ++i)
        audio->ReleaseSound(ClickName(i));
}

void Cinematic::Start()
{
    RBaseGame* game = RBaseGame::GetInstance();
    if (RStreamingAudio_PCS* tones = game->GetToneGenerator())
        tones->StopTunes();
    m_world.PlayTune(m_won ? "Ending" : "Failure");
    RAudioMgr* audio = RAudioMgr::GetInstance();
    for (int i = 0; i < kKeyClicks; ++i) {
        char file[32];
        snprintf(file, sizeof(file), "%s_%d.wav", "click", i);
        audio->LoadSound(file, ClickName(i), game->GetAudioGroupSFX(), false);
    }
    m_clicksLoaded = true;
    m_world.SetPictureFrozen(true);
    DrawLetters(0);
}

void Cinematic::Update(float step)
{
    RTimedSubroutine::Update(step);
    if (IsFinished())
        return;
    const int32_t letters = static_cast<int32_t>(GetTime() * kLettersPerSecond);
    if (letters != m_shown)
        DrawLetters(letters);
}

void Cinematic::DrawLetters(int32_t count)
{
    RoomView& view = m_world.GetView();
    view.ClearPicture();
    int32_t left = count;
    char newest = ' ';
    for (int line = 0; line < kLineCount && left > 0; ++line) {
        const int32_t length = (m_lines[line].GetLength() > 0 ? m_lines[line].GetLength() : 0);
        const int32_t typed = left < length ? left : length;
        char text[64];
        snprintf(text, sizeof(text), "%.*s", typed, m_lines[line].GetString());
        view.DrawText(40, 60 + line * 12, text);
        if (typed > 0)
            newest = text[typed - 1];
        left -= typed;
    }
    view.Present();
    // A newly typed letter clicks; blanks and the time after the last letter do not.
    if (m_shown >= 0 && count > m_shown && left == 0 && newest != ' ')
        RAudioMgr::GetInstance()->PlaySound(ClickName(count % kKeyClicks), false);
    m_shown = count;
}

void Cinematic::OnFinished()
{
    if (RStreamingAudio_PCS* tones = RBaseGame::GetInstance()->GetToneGenerator())
        tones->StopTunes();
    m_game.OnCinematicFinished();
}
