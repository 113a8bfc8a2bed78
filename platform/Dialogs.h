// Modal message, confirmation and file dialogs. Texts are CP1252.
#pragma once
#include <optional>
#include <string>

namespace quill {

enum class ConfirmResult { Yes = 0, No = 1, Cancel = 2 };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // the message window: a caption, two lines and one button
  virtual void message(const std::string& caption, const std::string& line1,
                       const std::string& line2, const std::string& button = "Ok") = 0;
  // the confirm window; withCancel false hides the Cancel button
  virtual ConfirmResult confirm(const std::string& line1, const std::string& line2,
                                bool withCancel = true) = 0;
  // filter like "Layout (*.msk *.MSK);;All files (*)"; empty result when cancelled
  virtual std::optional<std::string> openFileName(const std::string& title,
                                                  const std::string& filter) = 0;
  virtual std::optional<std::string> saveFileName(const std::string& title,
                                                  const std::string& filter,
                                                  const std::string& suggested) = 0;
};

}  // namespace quill
