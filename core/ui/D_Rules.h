// The Design Rules window: a read-only grid of the current technology's
// rules and layer parameters (content from core/RulesGrid), refreshed from
// the records each time it is shown.
#pragma once
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "core/Layers.h"
#include "core/TechnologyRules.h"

namespace quill {

class TFormRules : public QDialog {
  Q_OBJECT
 public:
  TFormRules(const TechnologyRules& tech, const LayerTable& layers, QWidget* parent = nullptr);

  // copies the records into the caption, the label and the grid
  void UpdateOptions();

  QGroupBox* GroupRules;
  QTableWidget* StringRules;
  QLabel* LabelTechno;
  QPushButton* sbOk;

 public slots:
  void sbOkClick();

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  const TechnologyRules& tech_;
  const LayerTable& layers_;
};

}  // namespace quill
