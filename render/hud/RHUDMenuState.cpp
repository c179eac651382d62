#include "render/hud/RHUDMenuState.h"

RHUDMenuState* RHUDMenuState::s_current = nullptr;

RHUDMenuState::~RHUDMenuState()
{
    if (s_current == this)
        s_current = nullptr;
}
