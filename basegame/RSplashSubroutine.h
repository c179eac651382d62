// RSplashSubroutine: the cinematic the engine opens with: the engine's line fading in and out in the middle of the
// screen, drawn with the HUD font, and the skip prompt (the accept action's key or controller glyph) in the lower
// right corner. It runs a few seconds on the engine clock, captures input meanwhile, and tells the game object
// when it ends, played out or skipped (RBaseGame::OnSplashFinished). Started and owned by the subroutine manager.
#pragma once

#include "basegame/RTimedSubroutine.h"
#include "core/types/RString.h"

class RSplashSubroutine : public RTimedSubroutine {
public:
    // Seconds it lasts, and of the fades at either end.
    static constexpr float kLength = 3.0f;
    static constexpr float kFadeTime = 0.5f;

    RSplashSubroutine();

    void Start() override;
    // Skips or ends it as a timed subroutine does, then queues this frame's text.
    void Update(float step) override;
    void Skip() override;
    // Notes in the safe log whether it was skipped, and tells the game object.
    void OnFinished() override;

private:
    RString m_line;       // the engine's line
    RString m_skipText;   // the word after the skip prompt's binding
    RString m_prompt;     // the binding's label and the word, remade when the label changes
    bool m_skipped = false;
};
