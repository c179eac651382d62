// RMenuBackdrop: the console's panel behind the menus, in the menus' colours: black at half opacity along its top
// edge and three-quarter opacity along its lower edge. Its material (an RConsoleBackdropMaterial with the menu
// flag, made and owned by the menu manager) fades it with the menus.
#pragma once

#include "render/passes/RConsoleBackdrop.h"

class RMenuBackdrop : public RConsoleBackdrop {
public:
    // Builds the console panel, then rewrites its colours with the menu colours.
    RMenuBackdrop();
    ~RMenuBackdrop() override = default;
};
