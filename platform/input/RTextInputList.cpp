#include "platform/input/RTextInputList.h"

#include "platform/input/RFMLTextInput.h"

namespace {
RTextInputList* g_textInputList = nullptr;
}

RFMLTextInput::~RFMLTextInput()
{
    if (RTextInputList* list = RTextInputList::GetExisting())
        list->Unregister(this);
}

RTextInputList* RTextInputList::GetInstance()
{
    if (!g_textInputList)
        g_textInputList = new RTextInputList();
    return g_textInputList;
}

void RTextInputList::DestroyInstance()
{
    delete g_textInputList;
    g_textInputList = nullptr;
}

RTextInputList* RTextInputList::GetExisting()
{
    return g_textInputList;
}

void RTextInputList::Register(RFMLTextInput* input)
{
    if (!input)
        return;
    m_inputs.pushUniqueElement(input);
    m_focusMovedByKey = m_typingKey.scancode != SDL_SCANCODE_UNKNOWN;
}

void RTextInputList::Unregister(RFMLTextInput* input)
{
    m_inputs.eraseElement(input);
}

void RTextInputList::HandleEvent(const SDL_Event& event)
{
    if (event.type == SDL_KEYDOWN) {
        m_typingKey = event.key.keysym;
        m_focusMovedByKey = false;
        if (!m_inputs.isEmpty())
            m_inputs[m_inputs.getCount() - 1]->OnKeyDown(event.key);
        return;
    }
    if (event.type == SDL_TEXTEDITING) {
        if (!m_inputs.isEmpty())
            m_inputs[m_inputs.getCount() - 1]->OnTextEditing(event.edit);
    } else if (event.type == SDL_TEXTINPUT) {
        // SDL terminates the text, but the read stays inside the event's array regardless.
        m_frameText.push(RString(event.text.text, static_cast<int>(SDL_TEXTINPUTEVENT_TEXT_SIZE - 1)));
        // The text of a key whose press moved the focus belongs to the key, not to the input it focused.
        if (!m_inputs.isEmpty() && !m_focusMovedByKey)
            m_inputs[m_inputs.getCount() - 1]->OnTextInput(event.text);
    }
    // Only the event right after a key-down is that key's text.
    m_typingKey = SDL_Keysym{};
    m_focusMovedByKey = false;
}
