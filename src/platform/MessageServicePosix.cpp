#include "platform/MessageService.h"

namespace lumbra {

MessageService& PlatformMessageService() {
  static ConsoleMessageService service;
  return service;
}

}  // namespace lumbra
