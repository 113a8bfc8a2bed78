// The layout file (.MSK): writer, reader (open and insert), the repair scan
// for files without carriage returns, and the technology check that loads a
// rule file named by a label.
#pragma once
#include <string>

#include "core/AppContext.h"

namespace quill {

enum class ReadMode { Open, Insert };

struct ReadOptions {
  // when the file added nothing and has bare LF line ends, write "out.msk"
  // with CR LF (the editor); the batch program only reports
  bool repairScan = true;
  bool technologyCheck = true;
};

struct ReadReport {
  bool opened = false;
  bool ioError = false;
  int boxesAdded = 0, labelsAdded = 0, rlcAdded = 0;
  int knownLines = 0;   // lines of a kind the format has
  bool sawNul = false;
  bool bareLf = false;  // a LF not preceded by CR
  bool repaired = false;
  int refusedLines = 0; // numbers beyond 32 bits
};

// Reads path into the context's layout. The caller clears the database
// before an open. Reports through status, dialogs and lastError.
ReadReport readLayout(AppContext& ctx, const std::string& path, ReadMode mode, const ReadOptions& options = {});

// Clears the layout, reads path and makes it the current file.
ReadReport openLayout(AppContext& ctx, const std::string& path, const ReadOptions& options = {});

// Writes the layout to name. On success the file becomes fileName and
// modified is cleared; on failure nothing changes and the previous file
// stays whole. Returns success.
bool saveLayout(AppContext& ctx, const std::string& name);

// File dialog filters; extensions of either case match.
inline constexpr const char* kLayoutFilter = "Layout files (*.msk *.MSK *.Msk);;All files (*)";
inline constexpr const char* kRuleFilter = "Rule files (*.rul *.RUL *.Rul);;All files (*)";

// File/Save (saveAs false) and File/Save As: a layout never saved, and Save
// As, ask for a name through the file dialog (".msk" added when missing).
// Returns success; a cancelled dialog saves nothing.
bool saveCommand(AppContext& ctx, bool saveAs);

// Writes a copy of path to outPath with a CR before every bare LF; true
// when at least one CR was added.
bool repairLineEnds(const std::string& path, const std::string& outPath);

// Loads the rule file that a label names, if any.
void technologyCheck(AppContext& ctx, const std::string& layoutPath);

// path with the extension ext (".msk", ".rul") kept in any case, or added
// in lower case when missing; a path that names an existing file is kept.
std::string withExtension(const std::string& path, const std::string& ext);

}  // namespace quill
