#include "core/ui/D_Rules.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "core/RulesGrid.h"
#include "platform/Cp1252.h"

namespace quill {

namespace {
QString q(const std::string& s) { return QString::fromUtf8(cp1252ToUtf8(s)); }
}  // namespace

TFormRules::TFormRules(const TechnologyRules& tech, const LayerTable& layers, QWidget* parent)
    : QDialog(parent), tech_(tech), layers_(layers) {
  setObjectName(QStringLiteral("FormRules"));
  GroupRules = new QGroupBox(QString::fromLatin1(kRulesGroupCaption), this);
  GroupRules->setObjectName(QStringLiteral("GroupRules"));

  // the two header rows are grid rows, as in the original fixed rows, so
  // row numbers match the content rows
  StringRules = new QTableWidget(0, kRulesGridColumns, GroupRules);
  StringRules->setObjectName(QStringLiteral("StringRules"));
  StringRules->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringRules->setSelectionMode(QAbstractItemView::NoSelection);
  StringRules->setFocusPolicy(Qt::NoFocus);
  StringRules->horizontalHeader()->hide();
  StringRules->verticalHeader()->hide();
  StringRules->verticalHeader()->setDefaultSectionSize(StringRules->fontMetrics().height() + 4);

  LabelTechno = new QLabel(GroupRules);
  LabelTechno->setObjectName(QStringLiteral("LabelTechno"));
  LabelTechno->setTextFormat(Qt::PlainText);

  sbOk = new QPushButton(QStringLiteral("OK"), this);
  sbOk->setObjectName(QStringLiteral("sbOk"));
  sbOk->setDefault(true);
  connect(sbOk, &QPushButton::clicked, this, &TFormRules::sbOkClick);

  auto* g = new QVBoxLayout(GroupRules);
  g->addWidget(LabelTechno);
  g->addWidget(StringRules);
  auto* v = new QVBoxLayout(this);
  v->addWidget(GroupRules);
  auto* h = new QHBoxLayout;
  h->addStretch();
  h->addWidget(sbOk);
  v->addLayout(h);
  resize(900, 560);
}

void TFormRules::UpdateOptions() {
  RulesGrid grid = buildRulesGrid(tech_, layers_);
  setWindowTitle(q(grid.caption));
  LabelTechno->setText(q(grid.techno));

  StringRules->clearContents();
  StringRules->setRowCount(static_cast<int>(grid.rows.size()));
  QFont headerFont = StringRules->font();
  headerFont.setBold(true);
  QBrush headerBack = palette().brush(QPalette::Button);
  for (int r = 0; r < static_cast<int>(grid.rows.size()); ++r) {
    const RulesGridRow& row = grid.rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < kRulesGridColumns; ++c) {
      auto* item = new QTableWidgetItem(q(row[static_cast<std::size_t>(c)]));
      item->setFlags(Qt::ItemIsEnabled);
      if (r < kRulesGridHeaderRows || c == 0) {
        item->setFont(headerFont);
        item->setBackground(headerBack);
      }
      if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      StringRules->setItem(r, c, item);
    }
  }
  StringRules->resizeColumnsToContents();
}

void TFormRules::sbOkClick() { accept(); }

void TFormRules::showEvent(QShowEvent* e) {
  UpdateOptions();
  QDialog::showEvent(e);
}

}  // namespace quill
