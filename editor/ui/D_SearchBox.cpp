#include "editor/ui/D_SearchBox.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/Cp1252.h"

namespace quill {

namespace {
QString q(const std::string& cp1252) { return QString::fromUtf8(cp1252ToUtf8(cp1252).c_str()); }
std::string cp(const QString& s) { return utf8ToCp1252(s.toUtf8().toStdString()); }

QPushButton* button(QWidget* parent, QBoxLayout* row, const char* caption, const char* name) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  row->addWidget(b);
  return b;
}
}  // namespace

TFormSearch::TFormSearch(BoxSearch& search, QWidget* parent) : QDialog(parent), search_(search) {
  setObjectName("FormSearch");
  setWindowTitle("Change box size or layer");
  setModal(false);
  auto* top = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;
  top->addLayout(left);
  left->addWidget(new QLabel("Select the layer", this));
  ListLayers = new QListWidget(this);
  ListLayers->setObjectName("ListLayers");
  left->addWidget(ListLayers);

  auto* right = new QVBoxLayout;
  top->addLayout(right);
  RadioConstraints = new QGroupBox("Constraint", this);
  RadioConstraints->setObjectName("RadioConstraints");
  auto* radios = new QVBoxLayout(RadioConstraints);
  group_ = new QButtonGroup(this);
  const char* captions[] = {"No constraint", "Size less than", "Size equal to", "Size greater than"};
  for (int i = 0; i < 4; ++i) {
    auto* r = new QRadioButton(captions[i], RadioConstraints);
    constraints[static_cast<std::size_t>(i)] = r;
    group_->addButton(r, i);
    radios->addWidget(r);
  }
  EditSize = new QLineEdit(RadioConstraints);
  EditSize->setObjectName("EditSize");
  radios->addWidget(EditSize);
  right->addWidget(RadioConstraints);

  auto* size = new QHBoxLayout;
  right->addLayout(size);
  CheckChange = new QCheckBox("Change size to :", this);
  CheckChange->setObjectName("CheckChange");
  size->addWidget(CheckChange);
  EditChange = new QLineEdit(this);
  EditChange->setObjectName("EditChange");
  size->addWidget(EditChange);
  auto* layer = new QHBoxLayout;
  right->addLayout(layer);
  CheckLayer = new QCheckBox("Change layer to :", this);
  CheckLayer->setObjectName("CheckLayer");
  layer->addWidget(CheckLayer);
  ComboLayers = new QComboBox(this);
  ComboLayers->setObjectName("ComboLayers");
  layer->addWidget(ComboLayers);
  CheckShow = new QCheckBox("Show each change", this);
  CheckShow->setObjectName("CheckShow");
  right->addWidget(CheckShow);

  auto* row1 = new QHBoxLayout;
  right->addLayout(row1);
  btnSearch = button(this, row1, "Search...", "btnSearch");
  btnChange = button(this, row1, "Change", "btnChange");
  btnChangeAll = button(this, row1, "Change all", "btnChangeAll");
  auto* row2 = new QHBoxLayout;
  right->addLayout(row2);
  btnInvert = button(this, row2, "Invert diffusions", "btnInvert");
  btnClose = button(this, row2, "Close", "btnClose");

  connect(CheckChange, &QCheckBox::toggled, this, [this] { enableChanges(); });
  connect(CheckLayer, &QCheckBox::toggled, this, [this] { enableChanges(); });
  connect(btnSearch, &QPushButton::clicked, this, [this] { act([](BoxSearch& s) { s.Search(); }); });
  connect(btnChange, &QPushButton::clicked, this, [this] { act([](BoxSearch& s) { s.Change(); }); });
  connect(btnChangeAll, &QPushButton::clicked, this, [this] { act([](BoxSearch& s) { s.ChangeAll(); }); });
  connect(btnInvert, &QPushButton::clicked, this, [this] {
    if (search_.invertDiffusions) search_.invertDiffusions();
  });
  connect(btnClose, &QPushButton::clicked, this, [this] { close(); });
}

void TFormSearch::readControls() {
  search_.ListLayers = std::max(0, ListLayers->currentRow());
  search_.RadioConstraints = std::max(0, group_->checkedId());
  search_.EditSize.text = cp(EditSize->text());
  search_.CheckChange = CheckChange->isChecked();
  search_.EditChange = cp(EditChange->text());
  search_.CheckLayer = CheckLayer->isChecked();
  search_.ComboLayers = std::max(0, ComboLayers->currentIndex());
  search_.CheckShow = CheckShow->isChecked();
}

template <class F>
void TFormSearch::act(F f) {
  readControls();
  f(search_);
  UpdateOptions();
}

void TFormSearch::enableChanges() {
  if (updating_) return;
  const bool on = CheckChange->isChecked() || CheckLayer->isChecked();
  btnChange->setEnabled(on);
  btnChangeAll->setEnabled(on);
}

void TFormSearch::UpdateOptions() {
  updating_ = true;
  const std::vector<std::string> names = search_.layerNames();
  const int n = static_cast<int>(names.size());
  if (ListLayers->count() != n) {
    ListLayers->clear();
    ComboLayers->clear();
    for (const std::string& s : names) {
      ListLayers->addItem(q(s));
      ComboLayers->addItem(q(s));
    }
  }
  ListLayers->setCurrentRow(std::clamp(search_.ListLayers, 0, n - 1));
  ComboLayers->setCurrentIndex(std::clamp(search_.ComboLayers, 0, n - 1));
  constraints[static_cast<std::size_t>(std::clamp(search_.RadioConstraints, 0, 3))]->setChecked(true);
  EditSize->setText(q(search_.EditSize.text));
  CheckChange->setChecked(search_.CheckChange);
  EditChange->setText(q(search_.EditChange));
  CheckLayer->setChecked(search_.CheckLayer);
  CheckShow->setChecked(search_.CheckShow);
  updating_ = false;
  enableChanges();
}

void TFormSearch::showTool() {
  UpdateOptions();
  show();
  raise();
}

void TFormSearch::closeEvent(QCloseEvent* e) {
  search_.Close();
  e->accept();
}

}  // namespace quill
