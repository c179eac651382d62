// Cinematic: the ending (on the win orb) and the failure cinematic (on the lose orb), a timed subroutine on the
// engine clock that the player may skip. It silences every tune, plays its own, freezes the room picture and
// types its lines into it letter by letter with the key-click sounds, which it loads when it starts and releases
// when it goes. When it finishes it hands back to the game, which returns to the title. The subroutine manager
// owns it; the game and the world it draws into outlive it.
#pragma once

#include "basegame/RTimedSubroutine.h"
#include "core/types/RString.h"

class World;
class WendroGame;

class Cinematic : public RTimedSubroutine {
public:
    static constexpr int kKeyClicks = 4;       // "click_0.wav" to "click_3.wav"
    static constexpr float kLettersPerSecond = 24.0f;

    Cinematic(WendroGame& game, World& world, bool won);
    // Releases the key-click sounds.
    ~Cinematic() override;

    void Start() override;
    void Update(float step) override;
    void OnFinished() override;


private:
    void DrawLetters(int32_t count);

    WendroGame& m_game;
    World& m_world;
    bool m_won;
    bool m_clicksLoaded = false;
    int32_t m_shown = -1;  // letters typed so far
    static constexpr int kLineCount = 6;
    RString m_lines[kLineCount];
};
