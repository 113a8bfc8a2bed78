// Dialogs that answer from a script and remember what they were asked; for
// tests and for the batch program.
#pragma once
#include <deque>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace quill {

class FakeDialogs : public Dialogs {
 public:
  struct Shown {
    std::string caption, line1, line2, button;
  };

  void message(const std::string& caption, const std::string& line1, const std::string& line2,
               const std::string& button = "Ok") override {
    messages.push_back({caption, line1, line2, button});
  }
  ConfirmResult confirm(const std::string& line1, const std::string& line2, bool withCancel = true) override {
    confirms.push_back({"Confirm", line1, line2, withCancel ? "Yes/No/Cancel" : "Yes/No"});
    if (answers.empty()) return defaultAnswer;
    ConfirmResult r = answers.front();
    answers.pop_front();
    return r;
  }
  std::optional<std::string> openFileName(const std::string&, const std::string& filter) override {
    filters.push_back(filter);
    return nextFile();
  }
  std::optional<std::string> saveFileName(const std::string&, const std::string& filter,
                                          const std::string&) override {
    filters.push_back(filter);
    return nextFile();
  }

  std::vector<Shown> messages;
  std::vector<Shown> confirms;
  std::vector<std::string> filters;
  std::deque<ConfirmResult> answers;
  ConfirmResult defaultAnswer = ConfirmResult::Yes;
  std::deque<std::optional<std::string>> files;

 private:
  std::optional<std::string> nextFile() {
    if (files.empty()) return std::nullopt;
    auto f = files.front();
    files.pop_front();
    return f;
  }
};

}  // namespace quill
