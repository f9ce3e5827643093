// Modal messages to the user: text, caption, icon and buttons in, the answer out.
// The data layer reports every failure through the current service; the plug-in shows
// real message boxes, the command-line program prints, the tests record.
#pragma once

#include <string>
#include <string_view>

namespace lumbra {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

class MessageService {
 public:
  virtual ~MessageService() = default;
  virtual MessageAnswer Show(std::string_view text, std::string_view caption, MessageIcon icon,
                             MessageButtons buttons) = 0;
};

// The service every message goes through. Never null: without one set, the platform's own.
MessageService& CurrentMessageService();
// Installs a service (borrowed, it must outlive its use); nullptr restores the platform's own.
void SetMessageService(MessageService* service);

inline MessageAnswer ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon,
                                 MessageButtons buttons = MessageButtons::Ok) {
  return CurrentMessageService().Show(text, caption, icon, buttons);
}

// Prints each message to standard error and answers it from a policy the program sets:
// accepting answers OK or Yes, declining answers Cancel or No.
class ConsoleMessageService : public MessageService {
 public:
  enum class Policy { Decline, Accept };
  explicit ConsoleMessageService(Policy policy = Policy::Decline) : policy_(policy) {}
  void SetPolicy(Policy policy) { policy_ = policy; }
  MessageAnswer Show(std::string_view text, std::string_view caption, MessageIcon icon,
                     MessageButtons buttons) override;

 private:
  Policy policy_;
};

// The answer the policy gives for a set of buttons.
MessageAnswer PolicyAnswer(ConsoleMessageService::Policy policy, MessageButtons buttons);

}  // namespace lumbra
