#include "editor/Duplicate.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>

#include "editor/EditOps.h"

namespace quill {

namespace {
constexpr std::int64_t kMaxCoord = std::numeric_limits<std::int32_t>::max();

bool anyDeleted(const LayoutDatabase& db) {
  for (int p = 1; p <= db.boxCount(); ++p)
    if (db.box(p).state == 0) return true;
  for (int i = 1; i <= db.labelCount(); ++i)
    if (!db.label(i).active) return true;
  for (int i = 1; i <= db.rlcCount(); ++i)
    if (!db.rlc(i).active) return true;
  return false;
}

// one or two hexadecimal digits
bool hexByte(const std::string& t, int& v) {
  if (t.empty() || t.size() > 2) return false;
  v = 0;
  for (char c : t) {
    const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                  : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                  : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                              : -1;
    if (d < 0) return false;
    v = v * 16 + d;
  }
  return true;
}
}  // namespace

DuplicateEditor::DuplicateEditor(LayoutDatabase& db, StatusMessage& status, ToolView& view)
    : db_(db), status_(status), view_(view), grid_(kProgramGridSize * kProgramGridSize, '0') {}

std::string DuplicateEditor::sizeText() const {
  return "Size : " + std::to_string(std::int64_t{extent_.x2} - extent_.x1) + "x" +
         std::to_string(std::int64_t{extent_.y2} - extent_.y1) + " lambda";
}

std::string DuplicateEditor::groupCaption() const {
  return "Selected layout(" + std::to_string(marked_.size()) + " elements)";
}

char DuplicateEditor::cell(int col, int row) const {
  if (col < 0 || row < 0 || col >= kProgramGridSize || row >= kProgramGridSize) return '0';
  return grid_[static_cast<std::size_t>(row * kProgramGridSize + col)];
}

void DuplicateEditor::setCell(int col, int row, bool one) {
  if (col < 0 || row < 0 || col >= kProgramGridSize || row >= kProgramGridSize) return;
  grid_[static_cast<std::size_t>(row * kProgramGridSize + col)] = one ? '1' : '0';
}

void DuplicateEditor::StringArrayDblClick(int col, int row) { setCell(col, row, cell(col, row) == '0'); }

bool DuplicateEditor::BitBtnFillClick() {
  if (!CheckProgram) return false;
  readCounts();
  std::vector<int> bytes;
  std::string token;
  auto take = [&] {
    if (token.empty()) return true;
    int v = 0;
    if (!hexByte(token, v)) {
      show("Fill array refused: \"" + token + "\" is not a hexadecimal byte");
      return false;
    }
    bytes.push_back(v);
    token.clear();
    return true;
  };
  for (char c : EditString) {
    if (c == ' ' || c == '\t') {
      if (!take()) return false;
    } else {
      token += c;
    }
  }
  if (!take()) return false;
  const int nx = static_cast<int>(EditMulX.value), ny = static_cast<int>(EditMulY.value);
  for (int k = 1; k <= static_cast<int>(bytes.size()) && k <= ny; ++k)
    for (int b = 0; b < nx; ++b) {
      // a byte has eight bits: the columns beyond them are 0
      const bool one = b < 8 && ((bytes[static_cast<std::size_t>(k - 1)] >> b) & 1);
      setCell(nx - b - 1, k - 1, one);
    }
  return true;
}

int DuplicateEditor::select(Rect area) {
  area = normalised(area);
  // the undo of the copies gives back what lies deleted before them: only
  // the originals may be there, so earlier deletions go now (and the undo
  // that would have brought them back with them)
  if (anyDeleted(db_)) {
    db_.compactBoxes();
    db_.compactAll();
    db_.undoKind = kUndoNone;
  }
  marked_.clear();
  entries_.clear();
  extent_ = {};
  ComboBox = 0;
  for (int p = 1; p <= db_.boxCount(); ++p) {
    const LayoutBox& c = static_cast<const LayoutDatabase&>(db_).box(p);
    if (c.state != 1 || db_.layers[c.layer].isProtected || !db_.boxInside(p, area.x1, area.y1, area.x2, area.y2))
      continue;
    LayoutBox& b = db_.box(p);
    b.state = 3;
    b.colour = kMarkColour;
    extent_ = marked_.empty() ? Rect{b.x1, b.y1, b.x2, b.y2}
                              : Rect{std::min(extent_.x1, b.x1), std::min(extent_.y1, b.y1),
                                     std::max(extent_.x2, b.x2), std::max(extent_.y2, b.y2)};
    marked_.push_back(p);
    entries_.push_back(db_.layers[b.layer].name + " " + std::to_string(std::int64_t{b.x2} - b.x1) + "x" +
                       std::to_string(std::int64_t{b.y2} - b.y1) + " lambda");
  }
  view_.redraw();
  return static_cast<int>(marked_.size());
}

void DuplicateEditor::readCounts() {
  // an invalid entry shows the count kept
  EditMulX.read();
  EditMulY.read();
  EditMulX.set(EditMulX.value);
  EditMulY.set(EditMulY.value);
}

bool DuplicateEditor::btnGenerateClick() {
  readCounts();
  const std::int64_t nx = static_cast<std::int64_t>(EditMulX.value), ny = static_cast<std::int64_t>(EditMulY.value);
  if (nx < 1 || ny < 1) {
    show("Duplicate refused: give at least 1 in X and in Y");
    return false;
  }
  std::vector<int> boxes;
  for (int p : marked_)
    if (p >= 1 && p <= db_.boxCount() && db_.box(p).state == 3) boxes.push_back(p);
  if (boxes.empty()) {
    show("No box in this area. Try again...");
    return false;
  }
  const bool programmed = CheckProgram && ComboBox >= 0 && ComboBox < static_cast<int>(marked_.size());
  const int programmedBox = programmed ? marked_[static_cast<std::size_t>(ComboBox)] : 0;
  auto kept = [&](std::int64_t c, std::int64_t r) {
    return cell(static_cast<int>(c - 1), static_cast<int>(ny - r - 1)) == '1';
  };
  // the room is checked first: a half-made array is worth nothing
  std::int64_t additions = 0;
  for (int p : boxes) {
    if (p != programmedBox) {
      additions += nx * ny;
      continue;
    }
    for (std::int64_t c = 1; c <= nx; ++c)
      for (std::int64_t r = 0; r < ny; ++r) additions += kept(c, r);
  }
  if (db_.boxCount() + additions > kMaxBoxes) {
    show("Warning : box data base full ...");
    return false;
  }
  const std::int64_t w = std::int64_t{extent_.x2} - extent_.x1, h = std::int64_t{extent_.y2} - extent_.y1;
  // copies go right and up only
  if (extent_.x2 + (nx - 1) * w > kMaxCoord || extent_.y2 + (ny - 1) * h > kMaxCoord) {
    show("Duplicate refused: the copies would reach beyond the layout's coordinates");
    return false;
  }

  db_.setUndoMarks(kUndoMovePaste);
  {
    LayoutDatabase::BulkAdd bulk(db_);
    for (int p : boxes) {
      const LayoutBox b = static_cast<const LayoutDatabase&>(db_).box(p);
      for (std::int64_t c = 1; c <= nx; ++c)
        for (std::int64_t r = 0; r < ny; ++r) {
          if (p == programmedBox && !kept(c, r)) continue;
          const std::int64_t dx = (c - 1) * w, dy = r * h;
          const int q = db_.addBox(static_cast<std::int32_t>(b.x1 + dx), static_cast<std::int32_t>(b.y1 + dy),
                                   static_cast<std::int32_t>(b.x2 + dx), static_cast<std::int32_t>(b.y2 + dy), b.layer);
          if (q) db_.box(q).value = b.value;
        }
    }
    // the copy at (0, 0) stands in place of each original
    for (int p : boxes) db_.box(p).state = 0;
  }
  // undo removes the copies and gives the originals back
  db_.undoKind = kUndoMovePaste;
  db_.modified = true;
  db_.extracted = false;
  show("Generate in X,Y..");
  view_.viewAll();
  done();
  if (frame_) frame_->modeNone();
  return true;
}

void DuplicateEditor::btnCancelClick() {
  done();
  if (frame_) {
    frame_->modeNone();
    frame_->unselectAll();
  } else {
    unmarkAll(db_);
    view_.redraw();
  }
  show("Cancel duplicate");
}

void DuplicateEditor::done() {
  open_ = false;
  marked_.clear();
  entries_.clear();
}

void DuplicateEditor::release(FrameController& f, LambdaPoint a, LambdaPoint b) {
  frame_ = &f;
  if (select({a.x, a.y, b.x, b.y}) == 0) {
    show("No box in this area. Try again...");
    return;
  }
  open_ = true;
  if (showWindow) showWindow();
  // closed some other way than its buttons
  if (open_) btnCancelClick();
}

}  // namespace quill
