// The modal message box: the host installs a presenter that shows it.
#ifndef GLNAMELIST_PLATFORM_MESSAGE_BOX_H_
#define GLNAMELIST_PLATFORM_MESSAGE_BOX_H_

#include <memory>
#include <string>
#include <vector>

namespace glnamelist::platform {

inline constexpr long kButtonOk = 1;

class MessageBoxPresenter {
 public:
  virtual ~MessageBoxPresenter() = default;
  // Shows text under caption with the given style bits (64 = OK button and information
  // icon) and returns the button pressed (1 = OK).
  virtual long Show(const std::string& text, long style, const std::string& caption) = 0;
};

// Writes "[caption] text" to standard error and answers OK.
class StderrMessageBox : public MessageBoxPresenter {
 public:
  long Show(const std::string& text, long style, const std::string& caption) override;
};

// Keeps every call and answers with a settable button (OK unless told otherwise): for
// headless hosts and tests.
class RecordingMessageBox : public MessageBoxPresenter {
 public:
  struct Call {
    std::string text;
    long style;
    std::string caption;
    bool operator==(const Call&) const = default;
  };

  long Show(const std::string& text, long style, const std::string& caption) override;

  const std::vector<Call>& calls() const { return calls_; }
  void Clear() { calls_.clear(); }
  void set_answer(long button) { answer_ = button; }

 private:
  std::vector<Call> calls_;
  long answer_ = kButtonOk;
};

}  // namespace glnamelist::platform

#endif  // GLNAMELIST_PLATFORM_MESSAGE_BOX_H_
