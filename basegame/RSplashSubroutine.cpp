#include "basegame/RSplashSubroutine.h"

#include "basegame/RBaseGame.h"
#include "core/config/RLocMgr.h"
#include "core/system/RLogger.h"
#include "render/text/RFont.h"

#include <cstdio>

namespace {

// The part of the screen's width the engine's line spans, and the prompt's height in parts of the screen's.
constexpr float kLineWidth = 0.6f;
constexpr float kPromptHeight = 0.04f;
constexpr uint32_t kLineColour = 0x00FFD060u;   // amber, alpha from the fade
constexpr uint32_t kPromptColour = 0x00C0C0C0u; // grey

RString StartupText(const char* key)
{
    return RLocMgr::GetInstance()->GetString(RHashedString("Startup"), RHashedString("Startup"),
                                             RHashedString(key));
}

uint32_t WithAlpha(uint32_t colour, float alpha)
{
    const float clamped = alpha < 0.0f ? 0.0f : (alpha > 1.0f ? 1.0f : alpha);
    return colour | (static_cast<uint32_t>(clamped * 255.0f + 0.5f) << 24);
}

} // namespace

RSplashSubroutine::RSplashSubroutine() : RTimedSubroutine(RHashedString("Splash"), kLength)
{
    SetCapturesInput(true);
}

void RSplashSubroutine::Start()
{
    m_line = StartupText("SplashLine");
    m_skipText = StartupText("SplashSkip");
}

void RSplashSubroutine::Update(float step)
{
    RTimedSubroutine::Update(step);
    if (IsFinished())
        return;
    RBaseGame* game = RBaseGame::GetInstance();
    RFont* font = game ? game->GetFont(RBaseGame::kHUDText) : nullptr;
    if (!font || font->GetLineHeight() <= 0)
        return;
    const float screenWidth = static_cast<float>(game->GetScreenWidth());
    const float screenHeight = static_cast<float>(game->GetScreenHeight());
    const float lineHeight = static_cast<float>(font->GetLineHeight());

    // The line, centred, fading in over the first half second and out over the last.
    const float time = GetTime();
    const float fadeIn = time / kFadeTime;
    const float fadeOut = (GetLength() - time) / kFadeTime;
    const float alpha = fadeIn < fadeOut ? fadeIn : fadeOut;
    float width = 0.0f;
    float height = 0.0f;
    font->MeasureString(m_line.GetString(), 4096, &width, &height, 1.0f, 1.0f, 1e9f, 1e9f);
    if (width > 0.0f) {
        const float scale = kLineWidth * screenWidth / width;
        const float x = (screenWidth - width * scale) * 0.5f;
        const float y = (screenHeight - height * scale) * 0.5f;
        font->QueueString(m_line.GetString(), m_line.GetLength(), WithAlpha(kLineColour, alpha), 0, false, x, y,
                          scale, scale, screenWidth, screenHeight);
    }

    // The prompt: the accept action's label, then the word, in the lower right corner.
    if (SkipLabelChanged() || m_prompt.GetLength() <= 0)
        m_prompt = GetSkipLabel().text + " " + m_skipText;
    const float promptScale = kPromptHeight * screenHeight / lineHeight;
    font->MeasureString(m_prompt.GetString(), 4096, &width, &height, promptScale, promptScale, 1e9f, 1e9f,
                       m_prompt.GetLength());
    const float margin = 0.03f * screenHeight;
    font->QueueString(m_prompt.GetString(), m_prompt.GetLength(), WithAlpha(kPromptColour, 1.0f), 0, false,
                      screenWidth - width - margin, screenHeight - height - margin, promptScale, promptScale,
                      screenWidth, screenHeight);
}

void RSplashSubroutine::Skip()
{
    m_skipped = true;
    RTimedSubroutine::Skip();
}

void RSplashSubroutine::OnFinished()
{
    char line[64];
    snprintf(line, sizeof(line), "Splash %s after %.2f s", m_skipped ? "skipped" : "played", GetTime());
    RLogger::GetInstance()->LogSafe(line);
    if (RBaseGame* game = RBaseGame::GetInstance())
        game->OnSplashFinished();
}
