// The program's prompts: the message box of setup, always on top, with the message table's
// texts.

#include "messages.h"
#include "run_texts.h"
#include "user_prompts.h"

namespace {

class MessageBoxUserPrompts : public UserPrompts {
  public:
    int Show(const char* tag, const char* text, unsigned type) override {
        return UserMessages().Show(tag, text, kSetupCaption, type, nullptr, nullptr, false);
    }
    std::string Text(const char* tag, const char* fallback) override {
        return MessageText(UserMessages(), tag, fallback);
    }
};

}  // namespace

UserPrompts& MessageBoxPrompts() {
    static MessageBoxUserPrompts prompts;
    return prompts;
}
