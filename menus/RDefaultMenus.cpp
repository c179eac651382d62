// The default menus around the title and the pause: title, pause, options, confirmation, text entry and about,
// and the full-screen picture the title and brightness menus show.
#include "menus/RDefaultMenus.h"

#include "menus/RMenuEntries.h"
#include "menus/RMenuGame.h"
#include "menus/RMenuMgr.h"
#include "render/frame/RRenderer.h"
#include "render/hud/RDefaultTitleScreenMaterial.h"
#include "render/materials/RMaterial.h"
#include "render/view/RResSensQuad.h"

namespace {

// Where the title menu's entries start: below the title picture.
constexpr float kTitleEntriesTop = 470.0f;

// Runs action on the game object when it is a menu game.
template <typename Action> void WithGame(Action action)
{
    if (RMenuGame* game = RMenuGame::GetMenuGame())
        action(*game);
}

} // namespace

RMenuPictureQuad::RMenuPictureQuad(RMaterial* material) : m_material(material)
{
    m_quad = new RResSensQuad();
    m_quad->SetMaterial(m_material);
    m_quad->SetVisible(false);
    RRenderer::GetInstance()->AddRenderableToGroup(m_quad, RMenuMgr::GetPictureGroupName());
}

RMenuPictureQuad::~RMenuPictureQuad()
{
    delete m_quad;
    delete m_material;
}

void RMenuPictureQuad::SetShown(bool shown)
{
    m_quad->SetVisible(shown);
}

RTitleMenu::RTitleMenu() : RGameMenu("TitleMenu"), m_picture(new RMenuPictureQuad(new RDefaultTitleScreenMaterial()))
{
    SetEntriesTop(kTitleEntriesTop);
}

RTitleMenu::~RTitleMenu()
{
    delete m_picture;
}

void RTitleMenu::SetShown(bool shown)
{
    RGameMenu::SetShown(shown);
    m_picture->SetShown(shown);
}

void RTitleMenu::AddEntries()
{
    RMenuGame* game = RMenuGame::GetMenuGame();
    const RString notice = game ? game->TakeTitleNotice() : RString();
    if (!notice.IsEmpty())
        AddLabel(notice);
    if (game && game->CanContinueGame())
        AddButton("Continue", [] { WithGame([](RMenuGame& g) { g.ContinueGame(); }); });
    AddButton("NewGame", [] { WithGame([](RMenuGame& g) { g.StartGame(); }); });
    AddButton("Options", [] { WithGame([](RMenuGame& g) { g.PushMenu(g.GetNewOptionsMenu()); }); });
    AddButton("Quit", [this] { AskQuit(); });
}

void RTitleMenu::AskQuit()
{
    const RString question = GetText("QuitQuestion");
    WithGame([&question](RMenuGame& g) {
        g.PushMenu(g.GetNewConfirmationMenu(question, [] { WithGame([](RMenuGame& game) { game.Quit(); }); }));
    });
}

void RTitleMenu::OnCancel()
{
    PlayMenuSound();
    AskQuit();
}

RPauseMenu::RPauseMenu() : RGameMenu("PauseMenu")
{
    SetTitle(GetText("Title"));
}

void RPauseMenu::AddEntries()
{
    AddButton("Resume", [] { RMenuMgr::GetInstance()->RequestPop(); });
    AddButton("Options", [] { WithGame([](RMenuGame& g) { g.PushMenu(g.GetNewOptionsMenu()); }); });
    const RString question = GetText("QuitQuestion");
    AddButton("QuitToTitle", [question] {
        WithGame([&question](RMenuGame& g) {
            g.PushMenu(g.GetNewConfirmationMenu(question, [] { WithGame([](RMenuGame& game) { game.ReturnToTitle(); }); }));
        });
    });
}

ROptionsMenu::ROptionsMenu() : RGameMenu("OptionsMenu")
{
    SetTitle(GetText("Title"));
}

void ROptionsMenu::AddEntries()
{
    AddButton("Video", [] { WithGame([](RMenuGame& g) { g.PushMenu(g.GetNewVideoMenu()); }); });
    AddButton("Brightness", [] { WithGame([](RMenuGame& g) { g.PushMenu(g.GetNewBrightnessMenu()); }); });
    AddButton("Audio", [] { WithGame([](RMenuGame& g) { g.PushMenu(g.GetNewAudioMenu()); }); });
    AddButton("Mouse", [] { WithGame([](RMenuGame& g) { g.PushMenu(g.GetNewMouseMenu()); }); });
    AddButton("Controls", [] { WithGame([](RMenuGame& g) { g.PushMenu(g.GetNewControlsMenu()); }); });
    AddButton("About", [] { WithGame([](RMenuGame& g) { g.PushMenu(g.GetNewAboutMenu()); }); });
}

RConfirmationMenu::RConfirmationMenu(const RString& question, std::function<void()> onYes)
    : RGameMenu("ConfirmationMenu"), m_onYes(std::move(onYes))
{
    SetTitle(question);
}

void RConfirmationMenu::AddEntries()
{
    // "No" first, so a hurried accept changes nothing.
    AddEntry(new RMenuButton(GetLocalized("General", "General", "No"), [] { RMenuMgr::GetInstance()->RequestPop(); }));
    AddEntry(new RMenuButton(GetLocalized("General", "General", "Yes"), [this] {
        RMenuMgr::GetInstance()->RequestPop();
        // The answer's action runs now; the menu goes at the next frame, so it may still be read.
        if (m_onYes)
            m_onYes();
    }));
}

RTextEntryMenu::RTextEntryMenu(const RString& title, const RString& text, int32_t maxLength,
                               std::function<void(const RString&)> onDone)
    : RGameMenu("TextEntryMenu"), m_text(text), m_maxLength(maxLength), m_onDone(std::move(onDone))
{
    SetTitle(title);
}

void RTextEntryMenu::AddEntries()
{
    m_field = AddTextEntry("Field", m_maxLength);
    m_field->GetBackend().SetText(m_text);
    m_field->SetDoneAction([this](const RString& text) { Finish(text); });
    AddEntry(new RMenuButton(GetLocalized("General", "General", "OK"), [this] { Finish(GetEnteredText()); }));
}

RString RTextEntryMenu::GetEnteredText() const
{
    return m_field ? m_field->GetBackend().GetText() : m_text;
}

void RTextEntryMenu::Finish(const RString& text)
{
    m_text = text;
    RMenuMgr::GetInstance()->RequestPop();
    if (m_onDone)
        m_onDone(text);
}

RAboutMenu::RAboutMenu() : RGameMenu("AboutMenu")
{
    SetTitle(GetText("Title"));
}

void RAboutMenu::AddEntries()
{
    RMenuGame* game = RMenuGame::GetMenuGame();
    if (!game)
        return;
    AddLabel(GetText("Version") + ": " + game->GetVersion());
    AddLabel(GetText("EngineVersion") + ": " + game->GetEngineVersion());
}
