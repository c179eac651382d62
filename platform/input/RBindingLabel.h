// RBindingLabel: the cached prompt text of one action's primary binding ("[Space]", or a controller glyph), made
// again only when the binding of the last-used device class changes. Owned by whatever shows the prompt.
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RString.h"

#include <cstdint>

struct RBindingLabel {
    // Compares the action's primary binding (RControlConfig::GetPrimaryInput) with the cached one; when it differs,
    // caches it, remakes text and raises *changed (left as it was otherwise). A game-controller binding's text has
    // its image markup expanded; any other is wrapped in square brackets. An unbound action has no text.
    void Update(bool* changed);

    RHashedString group;
    RHashedString control;
    RString text;
    bool isControllerInput = false;
    // The cached primary binding.
    uint32_t kind = 0;
    uint32_t source = 0;
    uint32_t code = 0;
};
