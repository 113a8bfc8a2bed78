#include "core/MskFile.h"

#include <dirent.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "core/ParseValue.h"
#include "core/RuleFile.h"
#include "core/Text.h"
#include "core/TextFile.h"

namespace quill {

namespace {

const char kHiddenLetter[10] = {'1', 'T', '0', '-', '-', 'P', 'C', 'S', 'W', 'M'};
const char kVisibleLetter[10] = {'O', '2', 'Z', 'v', '-', 'p', 'c', 's', 'w', 'm'};

// Reads the numbers of one line the way the format does: blanks skipped
// (not past the line end), an optional "+", an optional "-", digits; the
// character after the digits is consumed.
struct LineScanner {
  std::string_view s;
  std::size_t pos = 0;
  bool overflow = false;

  bool atEnd() const { return pos >= s.size(); }
  char get() { return pos < s.size() ? s[pos++] : '\0'; }
  void skip(std::size_t n) { pos = std::min(s.size(), pos + n); }

  std::int32_t integer() {
    while (pos < s.size() && s[pos] == ' ') ++pos;
    if (pos < s.size() && s[pos] == '+') ++pos;
    bool neg = false;
    if (pos < s.size() && s[pos] == '-') {
      neg = true;
      ++pos;
    }
    std::int64_t v = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
      if (v <= (std::int64_t{1} << 32)) v = v * 10 + (s[pos] - '0');
      ++pos;
    }
    if (pos < s.size()) ++pos;  // the character that ended the digits
    if (neg) v = -v;
    if (v > std::numeric_limits<std::int32_t>::max() || v < std::numeric_limits<std::int32_t>::min()) {
      overflow = true;
      return 0;
    }
    return static_cast<std::int32_t>(v);
  }

  // text after the first "#" of the line, cut to 128 characters; empty without "#"
  std::string textAfterHash() const {
    auto h = s.find('#');
    if (h == std::string_view::npos) return {};
    return cutText(s.substr(h + 1));
  }
};

// Blank-separated tokens across lines, for the label property data.
struct TokenStream {
  LineReader& in;
  std::string line;
  std::size_t pos = 0;

  bool skipBlanks() {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    return pos < line.size();
  }
  // the next token of the current line, empty at its end
  std::string_view peekToken() {
    skipBlanks();
    std::size_t e = pos;
    while (e < line.size() && line[e] != ' ' && line[e] != '\t') ++e;
    return std::string_view(line).substr(pos, e - pos);
  }
  void take(std::string_view tok) { pos += tok.size(); }

  // the next token if it is a number; with crossLines the following lines
  // are looked at when this one is used up, and a line that does not start
  // with a number is given back to the reader
  std::optional<double> number(bool crossLines) {
    for (;;) {
      std::string_view tok = peekToken();
      if (!tok.empty()) {
        double v = 0;
        auto [p, ec] = std::from_chars(tok.data() + (tok[0] == '+' ? 1 : 0), tok.data() + tok.size(), v);
        if (ec != std::errc() || p != tok.data() + tok.size() || !std::isfinite(v)) return std::nullopt;
        take(tok);
        return v;
      }
      if (!crossLines) return std::nullopt;
      std::string nextLine;
      if (!in.next(nextLine)) return std::nullopt;
      std::size_t b = nextLine.find_first_not_of(" \t");
      if (b == std::string::npos) continue;  // blank line between entries
      char c = nextLine[b];
      if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.')) {
        in.unread(std::move(nextLine));
        return std::nullopt;
      }
      line = std::move(nextLine);
      pos = 0;
    }
  }

  std::int32_t integer() {
    LineScanner sc{line, pos};
    std::int32_t v = sc.integer();
    pos = sc.pos;
    return sc.overflow ? 0 : v;
  }
};

struct PendingLabel {
  std::int32_t x, y;
  std::string text;
  std::string property;  // the "$" line, empty when none
};

// Applies a property line to the label at pos; reads PWL entries that go on
// over further lines.
void applyProperty(LayoutLabel& l, const std::string& propLine, LineReader* in, StatusMessage& status) {
  if (propLine.size() < 2 || propLine[0] != '$') return;
  char letter = propLine[1];
  for (int k = 0; k <= 9; ++k) {
    if (k == kLabelName || k == kLabelUnused) continue;
    if (letter == kHiddenLetter[k]) { l.kind = static_cast<std::uint8_t>(k); l.visibleInSimulation = false; }
    if (letter == kVisibleLetter[k]) { l.kind = static_cast<std::uint8_t>(k); l.visibleInSimulation = true; }
  }
  if (letter == 'v') l.visibleInSimulation = true;

  LineReader dummy;
  TokenStream ts{in ? *in : dummy, propLine, 2};
  l.level1 = ts.integer();
  l.level0 = ts.integer();
  switch (letter) {
    case 'C': case 'c': case 'P': case 'p':
      for (int i = 0; i < 4; ++i) {
        double v = ts.number(false).value_or(0) * 1e-9;
        l.param[static_cast<std::size_t>(i)] = v > 0 ? v : 1e-11;
      }
      break;
    case 'S': case 's':
      for (int i = 0; i < 4; ++i) l.param[static_cast<std::size_t>(i)] = ts.number(false).value_or(0);
      break;
    case 'W': case 'w': {
      l.pwl = std::make_unique<PwlTable>();
      double n = ts.number(false).value_or(0);
      int count = n <= 0 ? 0 : n >= kMaxPwlEntries ? kMaxPwlEntries : static_cast<int>(n);
      status.write(StatusMessage::Main, "Read pulse with " + std::to_string(count) + " elements");
      int read = 0;
      for (int i = 1; i <= count; ++i) {
        auto t = ts.number(in != nullptr);
        if (!t) break;
        auto c = ts.number(in != nullptr);
        if (!c) break;
        int code = (*c >= 0 && *c <= 4 && *c == std::floor(*c)) ? static_cast<int>(*c) : 0;
        l.pwl->time[static_cast<std::size_t>(i)] = *t;
        l.pwl->code[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(code);
        read = i;
      }
      l.pwl->count = read;
      break;
    }
    default:
      break;
  }
}

// a file of that name in dir, matched without regard to case when the
// exact name is missing (layouts travel between file systems)
std::string findFileNoCase(const std::string& dir, const std::string& name) {
  std::string exact = dir + name;
  if (fileExists(exact)) return exact;
  if (name.find('/') != std::string::npos) return {};
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return {};
  std::string found;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (n.size() == name.size() && startsWithNoCase(n, name) && fileExists(dir + n)) {
      found = dir + n;
      break;
    }
  }
  ::closedir(d);
  return found;
}

std::string dirOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void appendInt(std::string& out, std::int64_t v) {
  char buf[24];
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
  (void)ec;
  out.append(buf, p);
}

}  // namespace

std::string withExtension(const std::string& path, const std::string& ext) {
  if (path.empty()) return path;
  if (endsWithNoCase(path, ext) || fileExists(path)) return path;
  return path + ext;
}

bool repairLineEnds(const std::string& path, const std::string& outPath) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) return false;
  SafeFileWriter out;
  if (!out.open(outPath)) {
    std::fclose(in);
    return false;
  }
  bool added = false;
  int prev = -1, c;
  std::string chunk;
  while ((c = std::fgetc(in)) != EOF) {
    if (c == '\n' && prev != '\r') {
      chunk += '\r';
      added = true;
    }
    chunk += static_cast<char>(c);
    prev = c;
    if (chunk.size() >= (1 << 16)) {
      out.write(chunk);
      chunk.clear();
    }
  }
  out.write(chunk);
  bool readError = std::ferror(in) != 0;
  std::fclose(in);
  if (readError || !added) {
    out.abandon();
    return false;
  }
  return out.commit();
}

void technologyCheck(AppContext& ctx, const std::string& layoutPath) {
  LayoutDatabase& db = ctx.db;
  for (int i = 1; i <= db.labelCount(); ++i) {
    if (!db.label(i).active) continue;
    const std::string& text = db.label(i).text;
    if (text.size() <= 4) continue;
    std::string name = text.substr(std::min(text.size(), text.find_first_not_of(' ')));
    if (!endsWithNoCase(name, ".RUL")) continue;
    std::string found;
    if (name[0] != '/' && !dirOf(layoutPath).empty()) found = findFileNoCase(dirOf(layoutPath), name);
    if (found.empty()) found = findFileNoCase("", name);
    if (!found.empty()) {
      loadRuleFile(ctx.tech, db.layers, found, ctx.services.status, ctx.services.debug);
      ctx.services.dialogs.message("Note", "Quillmere was reconfigured in", "in " + name + " technology");
    } else {
      ctx.services.dialogs.message("Warning: RUL file not found", "This layout was designed using",
                                   "rule file " + name);
    }
  }
}

ReadReport readLayout(AppContext& ctx, const std::string& path, ReadMode mode, const ReadOptions& options) {
  LayoutDatabase& db = ctx.db;
  StatusMessage& status = ctx.services.status;
  ReadReport rep;
  db.setUndoMarks(kUndoRemoveAdded);
  const int boxesBefore = db.boxCount(), labelsBefore = db.labelCount(), rlcBefore = db.rlcCount();

  std::int64_t dx = 0, dy = 0;
  if (mode == ReadMode::Insert) {
    db.computeBoundingBox();
    const Rect& b = db.boundingBox();
    dx = divTrunc(std::int64_t{b.x2} - b.x1, 6) + b.x2;
    dy = b.y1;
  }

  status.write(StatusMessage::Main, "Open " + path + "...");
  LineReader in;
  if (!in.open(path)) {
    db.lastError = ioResultFromErrno(in.errnoValue());
    status.write(StatusMessage::Main, "Error opening " + path);
    return rep;
  }
  rep.opened = true;
  db.lastError = kOk;

  bool boxRead = false;
  std::vector<PendingLabel> keptAside;
  int shownCount = 0;
  {
    LayoutDatabase::BulkAdd bulk(db);
    std::string line;
    auto fits = [](std::int64_t v) {
      return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
    };
    while (in.next(line)) {
      if (line.size() < 2) continue;
      const char a = line[0], b = line[1];
      LineScanner sc{line, std::min<std::size_t>(3, line.size())};

      if (a == 'F' && b == 'F') {
        ++rep.knownLines;
        break;
      }
      if (a == 'B' && b == 'B') {
        ++rep.knownLines;
        std::int32_t x = sc.integer(), y = sc.integer();
        if (sc.overflow) { ++rep.refusedLines; continue; }
        if (mode == ReadMode::Insert) {
          dx -= x;
          dy -= y;
        }
        continue;
      }
      if (a == 'R' && b == 'E') {
        ++rep.knownLines;
        sc.skip(1);
        std::int32_t x = sc.integer(), y = sc.integer(), w = sc.integer(), h = sc.integer();
        std::string code;
        code += sc.get();
        code += sc.get();
        sc.get();  // separator
        int layer = db.layers.findByCode(code);
        std::int32_t value = 0;
        if (layer == kOption || layer == kPoly2) value = sc.integer();
        if (layer == 0) continue;
        std::int64_t X1 = x + dx, Y1 = y + dy, X2 = std::int64_t{x} + w + dx, Y2 = std::int64_t{y} + h + dy;
        if (sc.overflow || !fits(X1) || !fits(Y1) || !fits(X2) || !fits(Y2)) {
          ++rep.refusedLines;
          continue;
        }
        boxRead = true;
        int pos = db.addBox(static_cast<std::int32_t>(X1), static_cast<std::int32_t>(Y1),
                            static_cast<std::int32_t>(X2), static_cast<std::int32_t>(Y2), layer);
        if (pos) {
          db.box(pos).value = value;
          ++rep.boxesAdded;
          if (rep.boxesAdded / 256 != shownCount) {
            shownCount = rep.boxesAdded / 256;
            status.progress(StatusMessage::Main, std::to_string(rep.boxesAdded) + " boxes");
          }
        }
        continue;
      }
      if (a == 'R' && b == 'L') {
        ++rep.knownLines;
        char k = line.size() > 3 ? line[3] : ' ';
        int kind = k == 'R' ? kRlcResistor : k == 'L' ? kRlcInductor : kRlcCapacitor;
        sc.pos = std::min<std::size_t>(4, line.size());
        std::int32_t x1 = sc.integer(), y1 = sc.integer(), x2 = sc.integer(), y2 = sc.integer();
        std::int32_t size = sc.integer();
        std::int64_t X1 = x1 + dx, Y1 = y1 + dy, X2 = x2 + dx, Y2 = y2 + dy;
        if (sc.overflow || !fits(X1) || !fits(Y1) || !fits(X2) || !fits(Y2)) {
          ++rep.refusedLines;
          continue;
        }
        int keepUndo = db.undoKind;
        if (db.addRlc(static_cast<std::int32_t>(X1), static_cast<std::int32_t>(Y1), static_cast<std::int32_t>(X2),
                      static_cast<std::int32_t>(Y2), kind, sc.textAfterHash(), size))
          ++rep.rlcAdded;
        db.undoKind = keepUndo;
        continue;
      }
      if ((a == 'R' && b == 'S') || (a == 'C' && b == 'A') || (a == 'S' && b == 'E')) {
        ++rep.knownLines;
        sc.skip(a == 'R' ? 1 : 2);
        std::int32_t x = sc.integer(), y = sc.integer();
        std::int64_t X = x + dx, Y = y + dy;
        if (sc.overflow || !fits(X + 5) || !fits(Y + 5) || !fits(X) || !fits(Y)) {
          ++rep.refusedLines;
          continue;
        }
        int kind = a == 'R' ? kRlcResistor : a == 'C' ? kRlcCapacitor : kRlcInductor;
        std::int32_t x2 = static_cast<std::int32_t>(X + 5), y2 = static_cast<std::int32_t>(a == 'S' ? Y + 5 : Y);
        int keepUndo = db.undoKind;
        if (db.addRlc(static_cast<std::int32_t>(X), static_cast<std::int32_t>(Y), x2, y2, kind, sc.textAfterHash(), 1))
          ++rep.rlcAdded;
        db.undoKind = keepUndo;
        continue;
      }
      if (a == 'S' && b == 'I') {
        ++rep.knownLines;
        auto h = line.find('#');
        if (h != std::string::npos) {
          bool valid = false;
          double v = ParseValue(std::string_view(line).substr(h + 1), 10, 10000, 0, valid);
          if (valid) ctx.layoutSettings.simulationLengthNs = v;
        }
        continue;
      }
      if (a == 'T' && b == 'I') {
        ++rep.knownLines;
        sc.skip(3);
        std::int32_t x = sc.integer(), y = sc.integer();
        std::string text = sc.textAfterHash();
        std::int64_t X = x + dx, Y = y + dy;
        bool refused = sc.overflow || !fits(X) || !fits(Y);
        // the property line belongs to this label; any other line is read normally
        std::string prop;
        if (in.next(prop) && !(prop.size() >= 1 && prop[0] == '$')) {
          in.unread(std::move(prop));
          prop.clear();
        }
        if (refused) {
          ++rep.refusedLines;
          continue;
        }
        if (!boxRead) {
          keptAside.push_back({static_cast<std::int32_t>(X), static_cast<std::int32_t>(Y), text, prop});
          continue;
        }
        int pos = db.addLabel(static_cast<std::int32_t>(X), static_cast<std::int32_t>(Y), text);
        if (pos) {
          ++rep.labelsAdded;
          applyProperty(db.label(pos), prop, &in, status);
        } else {
          // read and drop the data of a label that was not added, lines included
          LayoutLabel discarded;
          applyProperty(discarded, prop, &in, status);
        }
        continue;
      }
      if ((a == 'V' && b == 'E') || (a == 'F' && b == 'I') || (a == 'L' && b == 'I') || (a == 'P' && b == 'R'))
        ++rep.knownLines;
    }
    rep.ioError = in.ioError();
    rep.sawNul = in.sawNul();
    rep.bareLf = in.sawBareLf();
    in.close();

    // labels before the first box are kept only when the file has no box at all
    if (!boxRead) {
      for (const PendingLabel& p : keptAside) {
        int pos = db.addLabel(p.x, p.y, p.text);
        if (pos) {
          ++rep.labelsAdded;
          applyProperty(db.label(pos), p.property, nullptr, status);
        }
      }
    }
  }

  if (rep.ioError) {
    db.lastError = ioResultFromErrno(in.errnoValue());
    status.write(StatusMessage::Main, "Error closing " + path);
  } else {
    status.write(StatusMessage::Main, std::to_string(db.boxCount()) + " boxes");
  }
  db.undoKind = kUndoRemoveAdded;
  db.undoBoxMark = boxesBefore;
  db.undoLabelMark = labelsBefore;
  db.undoRlcMark = rlcBefore;
  if (mode == ReadMode::Insert && (rep.boxesAdded || rep.labelsAdded || rep.rlcAdded)) {
    db.modified = true;
    db.extracted = false;
  }

  if (rep.boxesAdded == 0 && rep.labelsAdded == 0 && rep.rlcAdded == 0 && rep.bareLf && options.repairScan) {
    status.write(StatusMessage::Main, "Scan " + path + " to add missing <cr>...");
    if (repairLineEnds(path, "out.msk")) {
      rep.repaired = true;
      status.write(StatusMessage::Main, "Warning : " + path + " was converted into OUT.MSK ");
    }
  }
  if (options.technologyCheck) technologyCheck(ctx, path);
  return rep;
}

ReadReport openLayout(AppContext& ctx, const std::string& path, const ReadOptions& options) {
  ctx.db.clear();
  ReadReport r = readLayout(ctx, path, ReadMode::Open, options);
  ctx.db.fileName = cutText(path);
  ctx.db.fileNamed = r.opened;
  ctx.db.modified = false;
  return r;
}

bool saveCommand(AppContext& ctx, bool saveAs) {
  std::string name = ctx.db.fileName;
  if (saveAs || !ctx.db.fileNamed) {
    auto chosen = ctx.services.dialogs.saveFileName("Save layout", kLayoutFilter, ctx.db.fileName);
    if (!chosen || chosen->empty()) return false;
    name = endsWithNoCase(*chosen, ".msk") ? *chosen : *chosen + ".msk";
  }
  return saveLayout(ctx, name);
}

bool saveLayout(AppContext& ctx, const std::string& name) {
  LayoutDatabase& db = ctx.db;
  StatusMessage& status = ctx.services.status;
  status.write(StatusMessage::Main, "Save file...");
  db.compactBoxes();

  SafeFileWriter out;
  if (!out.open(name)) {
    db.lastError = out.errorCode();
    if (db.lastError == kErrAccessDenied)
      status.write(StatusMessage::Main, "Error:The file \"" + name + "\" is protected and cannot be overwritten");
    else
      status.write(StatusMessage::Main, "Access error (" + std::to_string(db.lastError) + ") when writing file \"" +
                                            name + "\"");
    return false;
  }

  db.computeBoundingBox();
  const Rect& bb = db.boundingBox();
  std::string buf;
  buf.reserve(1 << 17);
  auto flush = [&](bool force) {
    if (force || buf.size() >= (1 << 16)) {
      out.write(buf);
      buf.clear();
    }
  };
  auto endLine = [&] { buf += "\r\n"; };

  buf += "VERSION " + ctx.services.clock.shortDate() + " " + ctx.services.clock.longTime();
  endLine();
  buf += "FIG #" + name;
  endLine();
  buf += "BB(";
  appendInt(buf, bb.x1); buf += ','; appendInt(buf, bb.y1); buf += ',';
  appendInt(buf, bb.x2); buf += ','; appendInt(buf, bb.y2); buf += ')';
  endLine();
  buf += "SIMU #" + F(ctx.layoutSettings.simulationLengthNs, 4, 2);
  endLine();

  const int n = db.boxCount();
  for (int i = 1; i <= n; ++i) {
    const LayoutBox& b = db.box(i);
    if (b.state == 0) continue;
    buf += "REC(";
    appendInt(buf, b.x1); buf += ',';
    appendInt(buf, b.y1); buf += ',';
    appendInt(buf, std::int64_t{b.x2} - b.x1); buf += ',';
    appendInt(buf, std::int64_t{b.y2} - b.y1); buf += ',';
    buf += db.layers[b.layer].code;
    if (b.layer == kOption || b.layer == kPoly2) {
      buf += ',';
      appendInt(buf, b.value);
    }
    buf += ')';
    endLine();
    if (i % 256 == 0) status.progress(StatusMessage::Main, std::to_string(i) + " boxes");
    flush(false);
  }

  for (int i = 1; i <= db.rlcCount(); ++i) {
    const RlcSymbol& r = db.rlc(i);
    if (!r.active) continue;
    buf += r.kind == kRlcResistor ? "RLCR " : r.kind == kRlcInductor ? "RLCL " : "RLCC ";
    for (std::int32_t v : {r.x1, r.y1, r.x2, r.y2}) {
      appendInt(buf, v);
      buf += ' ';
    }
    appendInt(buf, r.size);
    buf += " #" + r.text;
    endLine();
  }

  for (int i = 1; i <= db.labelCount(); ++i) {
    const LayoutLabel& l = db.label(i);
    if (!l.active) continue;
    buf += "TITLE ";
    appendInt(buf, l.x); buf += ' ';
    appendInt(buf, l.y);
    buf += "  #" + l.text;
    endLine();
    char letter = l.kind <= 9 ? (l.visibleInSimulation ? kVisibleLetter[l.kind] : kHiddenLetter[l.kind]) : '-';
    buf += '$';
    buf += letter;
    buf += ' ';
    appendInt(buf, l.level1); buf += ' ';
    appendInt(buf, l.level0); buf += ' ';
    switch (letter) {
      case 'C': case 'c': case 'P': case 'p':
        for (double p : l.param) buf += F(p * 1e9, 6, 4) + " ";
        break;
      case 'S': case 's':
        for (double p : l.param) buf += F(p, 6, 4) + " ";
        break;
      case 'W': case 'w':
        if (l.pwl) {
          int count = std::clamp(l.pwl->count, 0, kMaxPwlEntries);
          appendInt(buf, count);
          buf += ' ';
          for (int e = 1; e <= count; ++e) {
            buf += F(l.pwl->time[static_cast<std::size_t>(e)], 4, 3) + " ";
            buf += static_cast<char>('0' + std::min<int>(l.pwl->code[static_cast<std::size_t>(e)], 4));
            buf += ' ';
            if (e % 8 == 0 && e != count) endLine();
          }
        } else {
          buf += " 0";
        }
        break;
      default:
        break;
    }
    endLine();
    flush(false);
  }
  buf += "FFIG " + name;
  endLine();
  flush(true);

  if (!out.commit()) {
    db.lastError = out.errorCode();
    status.write(StatusMessage::Main, "Access error (" + std::to_string(db.lastError) + ") when writing file \"" +
                                          name + "\"");
    return false;
  }
  db.lastError = kOk;
  db.fileName = cutText(name);
  db.fileNamed = true;
  db.modified = false;
  status.write(StatusMessage::Main, "Saved " + std::to_string(db.boxCount()) + " boxes in \"" + name + "\"");
  return true;
}

}  // namespace quill
