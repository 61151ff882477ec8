#include <QGuiApplication>

#include "window/message_modifiers.h"
#include "window/notify.h"

namespace fw {

namespace {

bool have_message_modifiers = false;
Qt::KeyboardModifiers message_modifiers;

}  // namespace

MessageModifiers::MessageModifiers(Qt::KeyboardModifiers modifiers)
    : had_(have_message_modifiers), previous_(message_modifiers) {
    have_message_modifiers = true;
    message_modifiers = modifiers;
}

MessageModifiers::~MessageModifiers() {
    have_message_modifiers = had_;
    message_modifiers = previous_;
}

}  // namespace fw

// The state when the message in progress was made, as on the platform: a
// key's own event says which modifiers were down with it.
short GetKeyState(int virtual_key) {
    const Qt::KeyboardModifiers modifiers =
        fw::have_message_modifiers ? fw::message_modifiers : QGuiApplication::keyboardModifiers();
    bool down = false;
    switch (virtual_key) {
        case VK_SHIFT:
            down = modifiers.testFlag(Qt::ShiftModifier);
            break;
        case VK_CONTROL:
            down = modifiers.testFlag(Qt::ControlModifier);
            break;
        case VK_MENU:
            down = modifiers.testFlag(Qt::AltModifier);
            break;
        default:
            break;
    }
    return down ? static_cast<short>(0x8000) : 0;
}
