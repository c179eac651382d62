#include "platform/input/RBindingLabel.h"

#include "platform/input/RControlConfig.h"
#include "platform/input/RInput.h"

void RBindingLabel::Update(bool* changed)
{
    RControlConfig* config = RControlConfig::GetInstance();
    RDefinedInput primary = config->GetPrimaryInput(group, control);
    RDefinedInput cached;
    cached.kind = kind;
    cached.source = source;
    cached.code = code;
    if (RInput::InputsMatch(primary, cached))
        return;
    kind = primary.kind;
    source = primary.source;
    code = primary.code;
    *changed = true;
    isControllerInput = false;
    config->GetInputLabel(&text, &isControllerInput, group, control);
    if (isControllerInput)
        text = text.ExpandImgMarkup();
    else if (!text.IsEmpty())
        text = RString("[") + text + "]";
}
