#include "platform/MessageService.h"

#include <cstdio>
#include <string>

namespace lumbra {

MessageService& PlatformMessageService();  // MessageServicePosix.cpp / MessageServiceWin32.cpp

namespace {
MessageService* g_current = nullptr;

const char* AnswerName(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::Ok: return "OK";
    case MessageAnswer::Cancel: return "Cancel";
    case MessageAnswer::Yes: return "Yes";
    case MessageAnswer::No: return "No";
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
    line += "\n(answered ";
    line += AnswerName(answer);
    line += ")";
  }
  std::fprintf(stderr, "%s\n", line.c_str());
  return answer;
}

}  // namespace lumbra
