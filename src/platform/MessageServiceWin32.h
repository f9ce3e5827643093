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

}  // namespace lumbra
