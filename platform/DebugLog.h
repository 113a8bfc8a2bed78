// The debug window: a caption and a list of lines (syntax errors of rule
// files, simulator traces). The editor shows it as a window; the batch
// program writes its lines to stderr.
#pragma once
#include <string>
#include <vector>

namespace quill {

class DebugLog {
 public:
  virtual ~DebugLog() = default;
  virtual void showWithCaption(const std::string& caption) { caption_ = caption; }
  virtual void addLine(const std::string& line) { lines_.push_back(line); }
  const std::string& caption() const { return caption_; }
  const std::vector<std::string>& lines() const { return lines_; }
  virtual void clear() { lines_.clear(); }

 private:
  std::string caption_;
  std::vector<std::string> lines_;
};

}  // namespace quill
