#include "render/passes/RMenuBackdropState.h"

RMenuBackdropState* RMenuBackdropState::s_current = nullptr;

RMenuBackdropState::~RMenuBackdropState()
{
    if (s_current == this)
        s_current = nullptr;
}
