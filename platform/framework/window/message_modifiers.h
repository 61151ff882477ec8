// The modifier keys of the input event being handled, for GetKeyState
// (framework side). A widget that sends a notification about a key sets
// them for as long as the notification runs.
#pragma once

#include <Qt>

namespace fw {

class MessageModifiers {
  public:
    explicit MessageModifiers(Qt::KeyboardModifiers modifiers);
    ~MessageModifiers();
    MessageModifiers(const MessageModifiers&) = delete;
    MessageModifiers& operator=(const MessageModifiers&) = delete;

  private:
    bool had_;
    Qt::KeyboardModifiers previous_;
};

}  // namespace fw
