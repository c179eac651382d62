// The default bindings of the engine's actions and of the game's "Gameplay" actions, for keyboard and mouse, game
// controller and plain joystick. The base game applies them from its default-bindings operation, after the
// groups and actions are registered; each binding goes through RControlConfig::AddDefinedInput, so a binding
// already held by another action of the same group moves.
#pragma once

class RControlConfig;

// "General": "Pause"; "Utility": "OpenConsole", "Screenshot", "DeviceRecognition"; "Menus": "NavUp",
// "NavDown", "NavLeft", "NavRight", "NavNext", "Accept", "Cancel", "Click"; "VisOnly": "PressStart".
void AddEngineDefaultBindings(RControlConfig& config);
// "Gameplay": "MoveLeft", "MoveRight", "Jump", "JumpDown".
void AddGameplayDefaultBindings(RControlConfig& config);
