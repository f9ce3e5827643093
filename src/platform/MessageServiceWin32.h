// Real message boxes, owned by the window that the plug-in sets as the owner of its messages.
#pragma once

#include "platform/MessageService.h"

namespace lumbra {

class Win32MessageService : public MessageService {
 public:
  MessageAnswer Show(std::string_view text, std::string_view caption, MessageIcon icon,
                     MessageButtons buttons) override;
};

// The owner window (an HWND) of every message box; null for none.
void SetMessageOwner(void* window);
void* MessageOwner();

// Makes a window the owner of message boxes while it lives, then gives the role back.
class ScopedMessageOwner {
 public:
  explicit ScopedMessageOwner(void* window) : previous_(MessageOwner()) { SetMessageOwner(window); }
  ~ScopedMessageOwner() { SetMessageOwner(previous_); }
  ScopedMessageOwner(const ScopedMessageOwner&) = delete;
  ScopedMessageOwner& operator=(const ScopedMessageOwner&) = delete;

 private:
  void* previous_;
};

}  // namespace lumbra
