// The engine's default menus, each made by a factory of RMenuGame (which a game overrides to replace one). They
// are declared here so a game can derive from them: each fills itself in AddEntries, which a derived menu
// overrides, calling the base version first and adding its own entries after (they come before the back button).
// Texts come from the "Menus" table, one section per menu. Main thread only.
#pragma once

#include <cstdint>
#include <functional>

#include "core/types/RHashedString.h"
#include "core/types/RString.h"
#include "menus/RGameMenu.h"

class RMaterial;
class RMenuGame;
class RMenuTextEntry;
class RResSensQuad;

// A full-screen picture (the title, the brightness calibration) drawn in the menus' picture group while its menu
// shows; it owns the quad and the material it is given.
class RMenuPictureQuad {
public:
    explicit RMenuPictureQuad(RMaterial* material);
    ~RMenuPictureQuad();
    RMenuPictureQuad(const RMenuPictureQuad&) = delete;
    RMenuPictureQuad& operator=(const RMenuPictureQuad&) = delete;
    void SetShown(bool shown);
    RMaterial* GetMaterial() const { return m_material; }

private:
    RMaterial* m_material;
    RResSensQuad* m_quad;
};

// The title screen: the title picture over start (the game's StartGame), "Continue" when the game can continue,
// options and quit (after a confirmation), below the game's title notice when it left one. The backdrop fades in
// with it.
class RTitleMenu : public RGameMenu {
public:
    RTitleMenu();
    ~RTitleMenu() override;
    void SetShown(bool shown) override;
    bool AllowsBackgroundFade() const override { return true; }
    // Cancel on the title asks whether to quit.
    void OnCancel() override;

protected:
    void AddEntries() override;
    bool HasBackButton() const override { return false; }
    // The confirmation before quitting the program.
    void AskQuit();

private:
    RMenuPictureQuad* m_picture;
};

// The pause menu, opened during play: resume, options, quit to the title. The game stays paused while it is up.
class RPauseMenu : public RGameMenu {
public:
    RPauseMenu();

protected:
    void AddEntries() override;
    bool HasBackButton() const override { return false; }
};

// Options: video, brightness, audio, mouse, controls, about.
class ROptionsMenu : public RGameMenu {
public:
    ROptionsMenu();

protected:
    void AddEntries() override;
};

// Video: "Fullscreen", "AspectRatio", "Tate", "AntialiasQuality" and "DelayPresentation", each applied at once.
class RVideoMenu : public RGameMenu {
public:
    RVideoMenu();

protected:
    void AddEntries() override;
};

// Brightness: the calibration picture over the brightness setting.
class RBrightnessMenu : public RGameMenu {
public:
    RBrightnessMenu();
    ~RBrightnessMenu() override;
    void SetShown(bool shown) override;

protected:
    void AddEntries() override;

private:
    RMenuPictureQuad* m_picture;
};

// Audio: "MasterVolume", "SoundVolume" and "MusicVolume", heard at once.
class RAudioMenu : public RGameMenu {
public:
    RAudioMenu();

protected:
    void AddEntries() override;
};

// Mouse: "MouseScalar".
class RMouseMenu : public RGameMenu {
public:
    RMouseMenu();

protected:
    void AddEntries() override;
};

// Controls: the control groups with their bindings, and the joystick choice.
class RControlsMenu : public RGameMenu {
public:
    RControlsMenu();

protected:
    void AddEntries() override;
};

// The control groups and their bindings, in two levels: without a group it lists every shown control group (and
// restores the default bindings); with a group it lists that group's shown actions with their bindings. The actions
// of a menu-style group are buttons that open the binding menu; the others are shown, not changed here. Names come
// from the "EngineControls" table for groups refreshed once per frame (the engine's) and from "Controls" for the
// others (the game's). The list is made again whenever the menu returns to the top, so it shows the bindings as
// they are.
class RControlGroupsMenu : public RGameMenu {
public:
    // group: the empty name for the list of groups.
    explicit RControlGroupsMenu(RHashedString group = RHashedString());
    void OnActivate() override;
    RHashedString GetGroup() const { return m_group; }

    // The display name of a group (action empty) or of one of its actions.
    static RString GetDisplayName(RHashedString group, RHashedString action);
    // The text of an action's primary binding for the device last used, image markup expanded.
    static RString GetBindingText(RHashedString group, RHashedString action);

protected:
    void AddEntries() override;

private:
    void AddGroupEntries();
    void AddActionEntries();

    RHashedString m_group;
    bool m_activatedOnce = false;
};

// Waits for one input and binds it to an action: Escape (newly down) closes it, Backspace clears the action's
// bindings and closes it, anything captured is added to the action (leaving the other actions of the group) and
// closes it.
class RBindingMenu : public RGameMenu {
public:
    RBindingMenu(RHashedString group, RHashedString control);
    bool TakesRawInput() const override { return true; }
    void UpdateRawInput() override;
    RHashedString GetGroup() const { return m_group; }
    RHashedString GetControl() const { return m_control; }

protected:
    void AddEntries() override;
    bool HasBackButton() const override { return false; }

private:
    RHashedString m_group;
    RHashedString m_control;
    bool m_done = false;
};

// The joysticks and game controllers found: choosing one opens it and stores its name in "Controller".
class RJoystickMenu : public RGameMenu {
public:
    RJoystickMenu();

protected:
    void AddEntries() override;
};

// A yes-or-no question.
class RConfirmationMenu : public RGameMenu {
public:
    RConfirmationMenu(const RString& question, std::function<void()> onYes);

protected:
    void AddEntries() override;
    bool HasBackButton() const override { return false; }

private:
    std::function<void()> m_onYes;
};

// One text field for the game's use, with "OK".
class RTextEntryMenu : public RGameMenu {
public:
    RTextEntryMenu(const RString& title, const RString& text, int32_t maxLength,
                   std::function<void(const RString&)> onDone);
    RString GetEnteredText() const;

protected:
    void AddEntries() override;
    // Hands the text on and closes the menu.
    void Finish(const RString& text);

private:
    RString m_text;
    int32_t m_maxLength;
    std::function<void(const RString&)> m_onDone;
    RMenuTextEntry* m_field = nullptr;
};

// The program's version texts from "Version.ini".
class RAboutMenu : public RGameMenu {
public:
    RAboutMenu();

protected:
    void AddEntries() override;
};
