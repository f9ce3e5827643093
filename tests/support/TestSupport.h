// Helpers for tests: a message service that records what it was asked, and a data folder
// in a fresh temporary directory.
#pragma once

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/MessageService.h"
#include "text/Text.h"

namespace lumbra::test {

class RecordingMessageService : public MessageService {
 public:
  struct Message {
    std::string text, caption;
    MessageIcon icon;
    MessageButtons buttons;
  };

  RecordingMessageService() { SetMessageService(this); }
  ~RecordingMessageService() override { SetMessageService(nullptr); }

  // Answers given to the next questions in order; without one, OK/Yes for OK-only boxes,
  // else Cancel.
  void QueueAnswer(MessageAnswer answer) { answers_.push_back(answer); }

  MessageAnswer Show(std::string_view text, std::string_view caption, MessageIcon icon,
                     MessageButtons buttons) override {
    messages.push_back({std::string(text), std::string(caption), icon, buttons});
    if (!answers_.empty()) {
      const MessageAnswer answer = answers_.front();
      answers_.pop_front();
      return answer;
    }
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
  }

  std::vector<Message> messages;

 private:
  std::deque<MessageAnswer> answers_;
};

// A fresh, empty temporary folder set as the data folder; removed afterwards.
// The tests read the Japanese texts (the plug-in's own, on a Japanese system) unless one asks
// for English for its own span with this.
class LanguageScope {
 public:
  explicit LanguageScope(text::Language language) { text::SetLanguage(language); }
  ~LanguageScope() { text::SetLanguage(text::Language::Japanese); }
  LanguageScope(const LanguageScope&) = delete;
  LanguageScope& operator=(const LanguageScope&) = delete;
};

class TempDataFolder {
 public:
  TempDataFolder();
  ~TempDataFolder();
  const std::string& Path() const { return path_; }  // ends with a separator
  std::string File(const std::string& relative) const { return path_ + relative; }

 private:
  std::string path_;
};

std::vector<unsigned char> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace lumbra::test
