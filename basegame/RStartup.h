// RStartup and RShutdown: the first and the last thing the engine does. RStartup prepares the process (broken
// pipes ignored, the user folder locked to this copy, working directory, first file source, SDL, the global
// clock); RShutdown destroys the engine's singletons in their fixed order and quits SDL. The base game owns the
// RStartup object for the whole run; the user folder's lock goes with it.
//
// The "current object" hooks through which the layers below the base game reach the game object and the menus
// are all set here and all cleared by RShutdown, after the singletons are gone:
//  - RResolutionSensitiveList::SetCurrent: the game object's list, which new resolution-sensitive objects join;
//  - RPassMaterialHost::SetCurrent: the game object, asked for the picture's turn, brightness and factories;
//  - RControlConfig's default-bindings, device-changed and input-captured hooks (they go with the configuration);
//  - RHUDMenuState and RMenuBackdropState: the menu manager, which makes itself current when it is created;
//  - the menu manager's destroyer, handed over by the menu manager when it is created, run in RShutdown's order.
#pragma once

#include "core/types/RString.h"

#include <cstdint>

class RBaseGame;

class RStartup {
public:
    RStartup();
    ~RStartup();

    // False when the user folder's lock could not be taken (another copy holds it, or something stands in its
    // way) or SDL could not be initialised; the game then does not start.
    bool IsReady() const { return m_ready; }
    // Said on standard error when the user folder's file system cannot lock and the game runs unguarded, for the
    // safe log once it is open; empty otherwise.
    const RString& GetLockNote() const { return m_lockNote; }

private:
    // Takes the user folder's one-copy lock. False when another copy holds it or something stands in the lock
    // file's way, both of which the player can mend: why, and how, is said on standard error and, where a display
    // is there, in a message box. Without a user folder, or where it cannot be made, nothing is locked, as nothing
    // of the session can be written there; where no lock can be had on it (a file system that cannot lock, or
    // cannot lock what this user may open), the game runs unguarded and says so once.
    bool LockUserFolder();

    bool m_ready = false;
    RString m_lockNote;
};

// Points the lower layers' hooks at the game object; the base game's first start-up step calls it.
void RConnectGameHooks(RBaseGame& game);

// The menu manager lives above the base game; when it is created it hands RShutdown the function that destroys it.
void RSetMenuManagerDestroyer(void (*destroy)());

// One step of the shut-down: the singleton it destroys and the operation that does it.
struct RShutdownStep {
    const char* name;
    void (*destroy)();
};
// The steps of RShutdown in their order.
const RShutdownStep* RGetShutdownSteps(uint32_t* count);

// Runs every shut-down step in order (each does nothing for a singleton that does not exist), clears the hooks,
// then quits SDL.
void RShutdown();
