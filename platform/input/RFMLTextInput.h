// RFMLTextInput: the interface of objects that take SDL's text and key-down events (text fields, the console).
// Registration with RTextInputList is the object's own choice; an object still registered when it is destroyed is
// removed from the list, so the list never holds a dangling pointer.
#pragma once

#include <SDL.h>

class RFMLTextInput {
public:
    virtual ~RFMLTextInput();
    // An SDL text-editing (composition) event.
    virtual void OnTextEditing(const SDL_TextEditingEvent& event) = 0;
    // An SDL text-input event.
    virtual void OnTextInput(const SDL_TextInputEvent& event) = 0;
    // An SDL key-down event (a press, or the system's repeat of a held key), in its place among the text events.
    virtual void OnKeyDown(const SDL_KeyboardEvent& event) = 0;

protected:
    RFMLTextInput() = default;
    RFMLTextInput(const RFMLTextInput&) = default;
    RFMLTextInput& operator=(const RFMLTextInput&) = default;
};
