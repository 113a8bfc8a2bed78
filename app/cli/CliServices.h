// The platform services of the batch program: status and debug lines on
// stderr, dialogs that answer Yes and print what they show.
#pragma once
#include <ostream>

#include "platform/Clock.h"
#include "platform/DebugLog.h"
#include "platform/Dialogs.h"
#include "platform/Random.h"
#include "platform/Services.h"
#include "platform/StatusMessage.h"

namespace quill {

class CliStatus : public StatusMessage {
 public:
  explicit CliStatus(std::ostream& err) : err_(err) {}
  bool quiet = false;
  bool showProgress = false;  // running texts too (long checks)

 protected:
  void show(int panel, std::string_view text) override;

 private:
  std::ostream& err_;
};

class CliDebugLog : public DebugLog {
 public:
  explicit CliDebugLog(std::ostream& err) : err_(err) {}
  void showWithCaption(const std::string& caption) override;
  void addLine(const std::string& line) override;

 private:
  std::ostream& err_;
};

class CliDialogs : public Dialogs {
 public:
  explicit CliDialogs(std::ostream& err) : err_(err) {}
  void message(const std::string& caption, const std::string& line1, const std::string& line2,
               const std::string& button) override;
  ConfirmResult confirm(const std::string& line1, const std::string& line2, bool withCancel) override;
  std::optional<std::string> openFileName(const std::string&, const std::string&) override { return std::nullopt; }
  std::optional<std::string> saveFileName(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }

 private:
  std::ostream& err_;
};

struct CliServices {
  explicit CliServices(std::ostream& err) : status(err), debug(err), dialogs(err) {}
  CliStatus status;
  CliDebugLog debug;
  CliDialogs dialogs;
  SystemClock clock;
  DefaultRandom random;
  Services services() { return Services{status, dialogs, debug, clock, random}; }
};

}  // namespace quill
