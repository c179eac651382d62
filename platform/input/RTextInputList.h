// RTextInputList: the registered text inputs and the text typed this frame. The base game's event pump hands each
// SDL event to HandleEvent: key-down, text-editing and text-input events go, in the order they arrive, to the most
// recently registered input (the focused field), and a text-input event's text is also kept in the frame's text
// list until ClearFrameText. The list does not own the inputs. One instance, created by GetInstance and freed by
// DestroyInstance. Main thread only.
#pragma once

#include "core/types/RString.h"
#include "core/types/RUtilVector.h"

#include <SDL.h>

class RFMLTextInput;

class RTextInputList {
public:
    static RTextInputList* GetInstance();
    static void DestroyInstance();
    // The instance when one exists, else null (nothing is created).
    static RTextInputList* GetExisting();

    // Adds the input once; a null input or one already listed changes nothing. An input registered right after a
    // key-down was handed on (the console's key opens the console) takes the events after it but not that key's
    // text.
    void Register(RFMLTextInput* input);
    // Removes the input; nothing when it is not listed.
    void Unregister(RFMLTextInput* input);
    uint32_t GetCount() const { return m_inputs.getCount(); }

    // Passes SDL's key-down and text events on (see above) and notes the key each text-input event was typed
    // with; other events are ignored.
    void HandleEvent(const SDL_Event& event);
    // While a text-input event is handed on: the key-down event that typed it (SDL sends a key's text right after
    // its key-down), or a scancode of 0 when the text came without one.
    const SDL_Keysym& GetTypingKey() const { return m_typingKey; }
    // The texts of this frame's text-input events, in arrival order, as SDL gave them (UTF-8).
    const RUtilVector<RString>& GetFrameText() const { return m_frameText; }
    // Called at the start of every event pump.
    void ClearFrameText() { m_frameText.clear(); }

private:
    RTextInputList() = default;
    ~RTextInputList() = default;
    RTextInputList(const RTextInputList&) = delete;
    RTextInputList& operator=(const RTextInputList&) = delete;

    RUtilVector<RFMLTextInput*> m_inputs; // registration order; the last one takes the text events
    RUtilVector<RString> m_frameText;
    SDL_Keysym m_typingKey = {};  // the key-down event just handled, else zero
    bool m_focusMovedByKey = false; // an input was registered since that key-down
};
