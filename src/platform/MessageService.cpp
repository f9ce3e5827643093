#include "platform/MessageService.h"

#include <cstdio>
#include <string>

#include "text/Text.h"

namespace lumbra {

MessageService& PlatformMessageService();  // MessageServicePosix.cpp / MessageServiceWin32.cpp

namespace {
MessageService* g_current = nullptr;

// The line telling which button the console chose.
const char* AnsweredText(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::Ok: return text::kCliAnsweredOk;
    case MessageAnswer::Cancel: return text::kCliAnsweredCancel;
    case MessageAnswer::Yes: return text::kCliAnsweredYes;
    case MessageAnswer::No: return text::kCliAnsweredNo;
  }
  return "";
}
}  // namespace

MessageService& CurrentMessageService() { return g_current ? *g_current : PlatformMessageService(); }

void SetMessageService(MessageService* service) { g_current = service; }

MessageAnswer PolicyAnswer(ConsoleMessageService::Policy policy, MessageButtons buttons) {
  const bool accept = policy == ConsoleMessageService::Policy::Accept;
  switch (buttons) {
    case MessageButtons::Ok: return MessageAnswer::Ok;
    case MessageButtons::OkCancel: return accept ? MessageAnswer::Ok : MessageAnswer::Cancel;
    case MessageButtons::YesNo: return accept ? MessageAnswer::Yes : MessageAnswer::No;
    case MessageButtons::YesNoCancel: return accept ? MessageAnswer::Yes : MessageAnswer::Cancel;
  }
  return MessageAnswer::Cancel;
}

MessageAnswer ConsoleMessageService::Show(std::string_view text, std::string_view caption, MessageIcon,
                                          MessageButtons buttons) {
  std::string line(caption);
  line += ": ";
  for (char c : text) {
    if (c != '\r') line += c;
  }
  const MessageAnswer answer = PolicyAnswer(policy_, buttons);
  if (buttons != MessageButtons::Ok) {
    line += "\n";
    line += AnsweredText(answer);
  }
  std::fprintf(stderr, "%s\n", line.c_str());
  return answer;
}

}  // namespace lumbra
