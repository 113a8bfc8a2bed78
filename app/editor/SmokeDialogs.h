// Dialogs for the smoke run (QUILLMERE_SMOKE_QUIT_MS): nothing waits for a
// user; each window that would have opened is named on stdout instead.
#pragma once
#include <cstdio>

#include "platform/Cp1252.h"
#include "platform/Dialogs.h"

namespace quill {

class SmokeDialogs : public Dialogs {
 public:
  void message(const std::string& caption, const std::string&, const std::string&, const std::string&) override {
    say(caption);
  }
  ConfirmResult confirm(const std::string&, const std::string&, bool withCancel) override {
    say("Confirm");
    return withCancel ? ConfirmResult::Cancel : ConfirmResult::No;
  }
  std::optional<std::string> openFileName(const std::string& title, const std::string&) override {
    say(title);
    return std::nullopt;
  }
  std::optional<std::string> saveFileName(const std::string& title, const std::string&, const std::string&) override {
    say(title);
    return std::nullopt;
  }

 private:
  static void say(const std::string& caption) {
    std::printf("message: %s\n", cp1252ToUtf8(caption).c_str());
    std::fflush(stdout);
  }
};

}  // namespace quill
