#include "app/cli/CliServices.h"

#include "platform/Cp1252.h"

namespace quill {

void CliStatus::show(int panel, std::string_view text) {
  if (quiet || (writingProgress() && !showProgress) || text.empty()) return;
  // the technology panel repeats what panel 0 says when a read ends
  if (panel == Technology) return;
  err_ << cp1252ToUtf8(text) << '\n';
}

void CliDebugLog::showWithCaption(const std::string& caption) {
  if (caption != this->caption()) err_ << cp1252ToUtf8(caption) << '\n';
  DebugLog::showWithCaption(caption);
}

void CliDebugLog::addLine(const std::string& line) {
  err_ << cp1252ToUtf8(line) << '\n';
  DebugLog::addLine(line);
}

void CliDialogs::message(const std::string& caption, const std::string& line1, const std::string& line2,
                         const std::string&) {
  err_ << cp1252ToUtf8(caption) << ": " << cp1252ToUtf8(line1);
  if (!line2.empty()) err_ << ' ' << cp1252ToUtf8(line2);
  err_ << '\n';
}

ConfirmResult CliDialogs::confirm(const std::string& line1, const std::string& line2, bool) {
  err_ << "Confirm: " << cp1252ToUtf8(line1);
  if (!line2.empty()) err_ << ' ' << cp1252ToUtf8(line2);
  err_ << " (yes)\n";
  return ConfirmResult::Yes;
}

}  // namespace quill
