#include "editor/ui/Frame.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPrintDialog>
#include <QStatusBar>
#include <QUrl>

#include "core/ui/D_Rules.h"
#include "editor/ConnectCuts.h"
#include "editor/ui/D_Palette.h"
#include "platform/Cp1252.h"
#include "platform/ui/QtDebugWindow.h"
#include "sim/ui/D_simul.h"

namespace quill {

namespace {
QString q(const std::string& s) { return QString::fromUtf8(cp1252ToUtf8(s)); }

// Small glyphs for the tool buttons, drawn rather than shipped.
QIcon toolIcon(const QString& name) {
  QPixmap pm(22, 22);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QColor ink(30, 30, 30), blue(40, 80, 200), red(200, 40, 40), green(30, 140, 60);
  p.setPen(QPen(ink, 1.4));
  auto arrow = [&](QPointF tip, double dx, double dy) {
    QPainterPath path;
    path.moveTo(tip);
    path.lineTo(tip.x() - 6 * dx + 5 * dy, tip.y() - 6 * dy + 5 * dx);
    path.lineTo(tip.x() - 6 * dx - 5 * dy, tip.y() - 6 * dy - 5 * dx);
    path.closeSubpath();
    p.fillPath(path, blue);
    p.setPen(QPen(blue, 2.2));
    p.drawLine(tip - QPointF(14 * dx, 14 * dy), tip - QPointF(5 * dx, 5 * dy));
  };
  auto lens = [&](const char* sign) {
    p.setPen(QPen(ink, 1.8));
    p.drawEllipse(QPointF(9, 9), 6, 6);
    p.drawLine(QPointF(13.5, 13.5), QPointF(20, 20));
    p.setPen(QPen(blue, 1.8));
    p.drawLine(QPointF(6, 9), QPointF(12, 9));
    if (sign[0] == '+') p.drawLine(QPointF(9, 6), QPointF(9, 12));
  };
  if (name == "sbfileopen") {
    p.setBrush(QColor(230, 190, 90));
    p.drawRect(QRectF(2, 6, 17, 12));
    p.drawLine(QPointF(2, 6), QPointF(8, 6));
  } else if (name == "sbfilesave") {
    p.setBrush(QColor(90, 110, 180));
    p.drawRect(QRectF(3, 3, 16, 16));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6, 3, 10, 6));
  } else if (name == "sbBox") {
    p.setBrush(QColor(220, 60, 60));
    p.drawRect(QRectF(4, 6, 14, 10));
  } else if (name == "sbCut") {
    p.setPen(QPen(red, 2.2));
    p.drawLine(QPointF(5, 5), QPointF(17, 17));
    p.drawLine(QPointF(17, 5), QPointF(5, 17));
  } else if (name == "sbCopy") {
    p.setBrush(QColor(120, 160, 230));
    p.drawRect(QRectF(3, 3, 10, 10));
    p.drawRect(QRectF(9, 9, 10, 10));
  } else if (name == "sbStretch") {
    p.setPen(QPen(ink, 1.2, Qt::DashLine));
    p.drawRect(QRectF(3, 5, 9, 12));
    arrow(QPointF(20, 11), 1, 0);
  } else if (name == "sbzoomin") {
    lens("+");
  } else if (name == "sbzoomout") {
    lens("-");
  } else if (name == "sbshow") {
    p.drawRect(QRectF(2, 2, 18, 18));
    p.setBrush(QColor(220, 60, 60));
    p.drawRect(QRectF(6, 6, 10, 10));
  } else if (name == "viewNode") {
    p.setPen(QPen(green, 2.4));
    p.drawLine(QPointF(3, 11), QPointF(19, 11));
    p.drawLine(QPointF(11, 3), QPointF(11, 19));
    p.setBrush(green);
    p.drawEllipse(QPointF(11, 11), 3, 3);
  } else if (name == "sbSimul") {
    p.setPen(QPen(blue, 1.8));
    p.drawPolyline(QPolygonF({QPointF(2, 17), QPointF(7, 17), QPointF(7, 5), QPointF(14, 5), QPointF(14, 17),
                              QPointF(20, 17)}));
  } else if (name == "sbRuler") {
    p.setBrush(QColor(240, 210, 110));
    p.drawRect(QRectF(2, 8, 18, 7));
    for (int x = 4; x < 20; x += 3) p.drawLine(QPointF(x, 8), QPointF(x, x % 2 ? 11 : 12));
  } else if (name == "sbProcess") {
    p.fillRect(QRectF(2, 13, 18, 7), QColor(150, 110, 60));
    p.fillRect(QRectF(6, 9, 10, 4), QColor(220, 60, 60));
    p.fillRect(QRectF(2, 7, 18, 2), QColor(60, 90, 220));
  } else if (name == "sbFactory") {
    p.setBrush(QColor(160, 160, 170));
    p.drawPolygon(QPolygonF({QPointF(2, 20), QPointF(2, 9), QPointF(8, 13), QPointF(8, 9), QPointF(14, 13),
                             QPointF(14, 4), QPointF(19, 4), QPointF(19, 20)}));
  } else if (name == "sbDrc") {
    p.setPen(QPen(green, 2.4));
    p.drawPolyline(QPolygonF({QPointF(4, 12), QPointF(9, 17), QPointF(18, 5)}));
  } else if (name == "sbText") {
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(16);
    p.setFont(f);
    p.drawText(QRectF(0, 0, 22, 22), Qt::AlignCenter, QStringLiteral("A"));
  } else if (name == "sbConnect") {
    p.setBrush(QColor(60, 90, 220));
    p.drawRect(QRectF(2, 4, 18, 6));
    p.setBrush(QColor(220, 60, 60));
    p.drawRect(QRectF(2, 13, 18, 6));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 7, 6, 9));
  } else if (name == "sbViewMos") {
    p.fillRect(QRectF(9, 2, 4, 18), QColor(220, 60, 60));
    p.fillRect(QRectF(2, 8, 18, 6), QColor(40, 150, 60));
  } else if (name == "sbPalette") {
    const QColor c[] = {QColor(220, 60, 60), QColor(60, 90, 220), QColor(40, 150, 60), QColor(230, 200, 60)};
    for (int i = 0; i < 4; ++i) p.fillRect(QRectF(3 + (i % 2) * 9, 3 + (i / 2) * 9, 7, 7), c[i]);
  } else if (name == "sbLeft") {
    arrow(QPointF(3, 11), -1, 0);
  } else if (name == "sbRight") {
    arrow(QPointF(19, 11), 1, 0);
  } else if (name == "sbUp") {
    arrow(QPointF(11, 3), 0, -1);
  } else if (name == "sbDown") {
    arrow(QPointF(11, 19), 0, 1);
  }
  return QIcon(pm);
}
}  // namespace

// ------------------------------------------------------------- help pages

std::string QtHelpOpener::pathOf(const std::string& page) const {
  std::string rel = page;
  for (char& c : rel)
    if (c == '\\') c = '/';
  return folder_ + "/" + rel;
}

bool QtHelpOpener::open(const std::string& page) {
  const QString path = q(pathOf(page));
  if (!QFileInfo(path).isFile()) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

// ------------------------------------------------------------- the window

Tmdiframe::Tmdiframe(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("mdiframe"));
  setWindowTitle(QStringLiteral("Quillmere 3"));
  PaintLayout = new LayoutWidget(this);
  setCentralWidget(PaintLayout);
  status_ = std::make_unique<QtStatusMessage>(statusBar());
  printer_ = std::make_unique<QPrinter>();
  buildMenus();
  buildToolBar();
  connect(PaintLayout, &LayoutWidget::popupRequested, this, &Tmdiframe::showPopup);
  connect(PaintLayout, &LayoutWidget::keyPressed, this, &Tmdiframe::handleKey);
  resize(1200, 800);
}

Tmdiframe::~Tmdiframe() { unbind(); }

void Tmdiframe::unbind() {
  // the widget must not call a controller that is gone
  if (PaintLayout) PaintLayout->setController(nullptr);
  formPalette_.reset();
  if (controller_) controller_->setPalette(nullptr);
  if (paletteHost_) paletteHost_->setPalette(nullptr);
  rules_.reset();
  if (controller_) {
    controller_->registerHandler(kModeText, nullptr);
    controller_->editLabelAt = nullptr;
    controller_->layoutReplaced = nullptr;
  }
  simulation_.reset();  // gives the Simulate commands back
  if (controller_) {
    controller_->registerCommand(Command::ExtractCircuit, nullptr);
    controller_->registerCommand(Command::FloatingNodes, nullptr);
    controller_->registerCommand(Command::ConvertSpice, nullptr);
  }
  formSimuOpt_.reset();
  extractionPanel_.reset();
  circuit_.reset();
  extractionOptions_.reset();
  editTools_.reset();  // takes its states back from the controller
  formGenerator_.reset();
  generatorCommands_.reset();  // takes its states back from the controller
  generatorSettings_.reset();
  placeText_.reset();
  addTextHost_.reset();
  formAddText_.reset();
  verify_.reset();
  editing_.reset();  // takes its handlers back from the controller
  editOps_.reset();
  palette_.reset();
  paletteHost_.reset();
  controller_.reset();
  viewLink_.reset();
  view_.reset();  // no longer the database's observer
  ctx_ = nullptr;
}

void Tmdiframe::bind(AppContext& ctx) {
  if (controller_) return;
  ctx_ = &ctx;
  view_ = std::make_unique<LayoutView>(ctx.db, ctx.tech, *status_, ctx.services.clock);
  view_->setSurface(&PaintLayout->surface());
  view_->setDrawnCallback([this] { PaintLayout->update(); });
  viewLink_ = std::make_unique<LayoutViewFrame>(*view_);
  systemHelp_ = std::make_unique<QtHelpOpener>(QDir::currentPath().toStdString());
  controller_ = std::make_unique<FrameController>(ctx, *viewLink_, *this, *this);
  PaintLayout->setController(controller_.get());

  controller_->registerCommand(Command::About, [this] {
    QMessageBox::about(this, QStringLiteral("About Quillmere3"),
                       QStringLiteral("Quillmere 3.0c\nLayout editor and simulator for teaching CMOS design."));
  });
  controller_->registerCommand(Command::DesignRules, [this] {
    if (!rules_) rules_ = std::make_unique<TFormRules>(ctx_->tech, ctx_->db.layers, this);
    rules_->show();
    rules_->raise();
  });
  if (auto* debug = dynamic_cast<QtDebugWindow*>(&ctx.services.debug))
    controller_->registerCommand(Command::Debug, [debug] {
      debug->window()->show();
      debug->window()->raise();
    });

  paletteHost_ = std::make_unique<FramePaletteHost>(*controller_);
  paletteHost_->frontWindow = [this] { bringToFront(); };
  palette_ = std::make_unique<Palette>(ctx.db, ctx.tech, *status_, *paletteHost_);
  editOps_ = std::make_unique<EditOperations>(ctx.db, ctx.tech, *status_);
  editing_ = std::make_unique<EditingCommands>(*controller_, *editOps_);
  verify_ = std::make_unique<VerifyCommands>(*controller_, *view_);

  // labels: the text command (state 16) and the double-click on a label
  formAddText_ = std::make_unique<TFormAddText>(this);
  addTextHost_ = std::make_unique<AddTextHost>(*view_, *formAddText_);
  placeText_ = std::make_unique<PlaceText>(ctx.db, ctx.tech, *status_, *addTextHost_);
  placeText_->propertyCode = [this] { return paletteHost_ ? paletteHost_->textProperty : 0; };
  placeText_->onPlaced = [this] {
    if (paletteHost_) paletteHost_->textProperty = 0;
    if (palette_) palette_->ReleasePropertyButtons();
  };
  controller_->registerHandler(kModeText, placeText_.get());
  controller_->layoutReplaced = [this] { placeText_->newLayout(); };

  // extraction: "Extract circuit" extracts, then shows the options window
  shortGateView_.view = view_.get();
  extractionOptions_ = std::make_unique<ExtractionOptions>();
  circuit_ = std::make_unique<ExtractedCircuit>();
  extractionPanel_ = std::make_unique<ExtractionPanel>(ctx.db, ctx.tech, *extractionOptions_, *circuit_, ctx.services);
  formSimuOpt_ = std::make_unique<TFormSimuOpt>(*extractionPanel_, this);
  controller_->registerCommand(Command::ExtractCircuit, [this] {
    {
      FrameController::LongOperation op(*controller_);
      extractCircuit(ctx_->db, ctx_->tech, *extractionOptions_, *circuit_, ctx_->services, {}, &shortGateView_);
    }
    view_->Redraw();
    formSimuOpt_->show();
    formSimuOpt_->raise();
  });
  // File/Convert Into .../SPICE netlist, and the options window's "Generate SPICE"
  auto spice = [this](const std::string& path) {
    ExtractResult r;
    {
      FrameController::LongOperation op(*controller_);
      r = extractCircuit(ctx_->db, ctx_->tech, *extractionOptions_, *circuit_, ctx_->services, {}, &shortGateView_);
    }
    SpiceRequest req;
    req.tsim = ctx_->layoutSettings.simulationLengthNs * 1e-9;
    req.timeStep = ctx_->tech.timeStep;
    req.lateralCouplings = extractionOptions_->lateralCouplings;
    req.verticalCouplings = extractionOptions_->verticalCouplings;
    return writeSpiceNetlist(ctx_->db, ctx_->tech, *circuit_, r, req, *status_, path).written;
  };
  controller_->registerCommand(Command::ConvertSpice, [spice] { spice(""); });
  extractionPanel_->writeSpice = spice;
  controller_->registerCommand(Command::FloatingNodes, [this] {
    status_->write(StatusMessage::Main, "Floating nodes...");
    {
      FrameController::LongOperation op(*controller_);
      findFloatingNodes(ctx_->db, ctx_->tech, *extractionOptions_, *circuit_, ctx_->services);
    }
    view_->Redraw();
  });

  // simulation: the Simulate commands open the simulation window over the same circuit
  simulation_ = std::make_unique<FrameSimulation>(*controller_, *view_, *extractionOptions_, *circuit_, this,
                                                  &shortGateView_);
  simulation_->hidePalette = [this] {
    if (formPalette_) formPalette_->hide();
  };
  simulation_->showPalette = [this] { showPalette(); };
  simulation_->layoutDrawn = [this] { PaintLayout->update(); };

  // generators: the window's pages, their placement states, the palette's contacts and pads
  generatorSettings_ = std::make_unique<GeneratorSettings>();
  generatorCommands_ = std::make_unique<GeneratorCommands>(*controller_, *generatorSettings_);
  formGenerator_ = std::make_unique<TFormGenerator>(*generatorSettings_, ctx, *generatorCommands_, this);
  generatorCommands_->openWindow = [this](GeneratorPage page) { formGenerator_->showOn(page); };
  generatorCommands_->releasePaletteButtons = [this] {
    if (palette_) palette_->ReleaseToolButtons();
  };
  generatorCommands_->bindPalette(*paletteHost_);

  // editing tool windows: duplicate, move step by step, box search, virtual
  // R, L, C (with the double-click on a symbol); connect layers lays its
  // cuts with the contact generator
  editOps_->cutArrays = contactCutArrays(ctx.db, ctx.tech);
  editTools_ = std::make_unique<EditToolWindows>(*controller_, *view_, this);
  editTools_->commands().rlc.released = [this] {
    if (palette_) palette_->ReleaseToolButtons();
  };
  controller_->editLabelAt = [this](LambdaPoint p) {
    if (!placeText_->editLabelAt(p)) return false;
    controller_->modeNone();
    return true;
  };

  // colour mode with a black background, then the whole layout
  ctx.db.clear();
  view_->SetMonochrome(false);
  view_->ViewAll();
  pressModeButton(Command::None);
  commandsChanged();
}

void Tmdiframe::createToolWindows() {
  if (!palette_ || formPalette_) return;
  formPalette_ = std::make_unique<TFormPalette>(*palette_, ctx_->db.layers, this);
  paletteHost_->setPalette(palette_.get());
  controller_->setPalette(this);
  formPalette_->FormCreate(frameGeometry());
  commandsChanged();
}

void Tmdiframe::showPalette() {
  if (!formPalette_) return;
  formPalette_->show();
  formPalette_->raise();
}

void Tmdiframe::protectAll() {
  if (palette_) palette_->ProtectAll();
}

void Tmdiframe::unprotectAll() {
  if (palette_) palette_->UnprotectAll();
}

void Tmdiframe::showMetalButtons(bool release) {
  if (palette_) palette_->ShowMetalButtons(release);
}

QAction* Tmdiframe::action(const QString& name) const { return findChild<QAction*>(name); }

void Tmdiframe::buildMenus() {
  std::map<std::string, QMenu*> menus, submenus;
  for (const MenuEntry& e : menuEntries()) {
    QMenu*& top = menus[e.menu];
    if (!top) {
      top = menuBar()->addMenu(q(e.menu));
      top->setObjectName(QStringLiteral("mnu") + q(e.menu).remove('&'));
      connect(top, &QMenu::aboutToShow, this, &Tmdiframe::commandsChanged);
    }
    QMenu* target = top;
    if (*e.submenu) {
      QMenu*& sub = submenus[std::string(e.menu) + "/" + e.submenu];
      if (!sub) {
        if (e.separatorBefore) top->addSeparator();
        sub = top->addMenu(q(e.submenu));
      }
      target = sub;
    } else if (e.separatorBefore) {
      target->addSeparator();
    }
    QAction* a = target->addAction(q(e.caption));
    a->setObjectName(QString::fromLatin1(e.name));
    if (*e.shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(e.shortcut)));
    a->setCheckable(e.checkable);
    const Command c = e.command;
    connect(a, &QAction::triggered, this, [this, c] { run(c); });
    actions_.emplace(c, a);
  }
}

void Tmdiframe::buildToolBar() {
  ToolBar1 = addToolBar(QStringLiteral("Tools"));
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  ToolBar1->setMovable(false);
  ToolBar1->setIconSize(QSize(22, 22));
  modeGroup_ = new QActionGroup(this);
  modeGroup_->setExclusive(true);
  // the hidden member of the group: pressed when no mode button should be
  sbNone = new QAction(this);
  sbNone->setObjectName(QStringLiteral("sbNone"));
  sbNone->setCheckable(true);
  sbNone->setVisible(false);
  modeGroup_->addAction(sbNone);
  for (const ToolButtonEntry& b : toolButtons()) {
    const QString name = QString::fromLatin1(b.name);
    if (name == "sbBox" || name == "sbSimul" || name == "sbPalette" || name == "sbLeft") ToolBar1->addSeparator();
    QAction* a = ToolBar1->addAction(toolIcon(name), q(b.hint));
    a->setObjectName(name);
    a->setToolTip(q(b.hint));
    a->setCheckable(b.checkable);
    if (b.modeGroup) modeGroup_->addAction(a);
    const Command c = b.command;
    connect(a, &QAction::triggered, this, [this, c] { run(c); });
    toolActions_[c] = a;
  }
}

void Tmdiframe::run(Command c) {
  if (!controller_) return;
  controller_->execute(c);
  if (controller_) {
    // a group button shows the state, whatever was clicked
    pressModeButton(buttonForMode(controller_->mode()));
    commandsChanged();
  }
}

void Tmdiframe::setTitle(const std::string& title) { setWindowTitle(q(title)); }

void Tmdiframe::pressModeButton(Command c) {
  auto it = toolActions_.find(c);
  QAction* a = (it != toolActions_.end() && it->second->actionGroup() == modeGroup_) ? it->second : sbNone;
  a->setChecked(true);
}

void Tmdiframe::areaChanged() { PaintLayout->update(); }

void Tmdiframe::commandsChanged() {
  if (!controller_) return;
  const FrameController& f = *controller_;
  for (auto& [c, a] : actions_) {
    a->setEnabled(f.enabled(c));
    if (a->isCheckable()) a->setChecked(f.checked(c));
    if (c == Command::Monochrome || c == Command::ExtractCircuit || c == Command::Crosstalk) a->setText(q(f.caption(c)));
  }
  for (auto& [c, a] : toolActions_) {
    a->setEnabled(f.enabled(c));
    if (a->isCheckable() && a->actionGroup() != modeGroup_) a->setChecked(f.checked(c));
  }
  if (formPalette_) {
    // the palette's buttons change the tables too; its window stays
    // enabled so that Escape still reaches it
    const bool idle = !f.busy();
    for (int r = 0; r < kPaletteRowCount; ++r) {
      formPalette_->layerButton(r)->setEnabled(idle);
      formPalette_->protectButton(r)->setEnabled(idle);
    }
    for (int t = 0; t < kPaletteToolCount; ++t) formPalette_->toolButton(static_cast<PaletteTool>(t))->setEnabled(idle);
  }
}

void Tmdiframe::bringToFront() {
  show();
  raise();
  activateWindow();
}

bool Tmdiframe::printDialog() {
  if (printDialog_) return printDialog_(*printer_);
  QPrintDialog d(printer_.get(), this);
  return d.exec() == QDialog::Accepted;
}

void Tmdiframe::printDrawingArea() {
  // the drawing area as drawn for the screen, as large as the page allows
  const QImage img = PaintLayout->image();
  QPainter p(printer_.get());
  if (!p.isActive()) {
    status_->write(StatusMessage::Main, "The printer could not be opened");
    return;
  }
  const QRect page = p.viewport();
  const QSize s = img.size().scaled(page.size(), Qt::KeepAspectRatio);
  p.setViewport(page.x(), page.y(), s.width(), s.height());
  p.setWindow(img.rect());
  p.drawImage(0, 0, img);
}

void Tmdiframe::setBarsVisible(bool on) {
  ToolBar1->setVisible(on);
  statusBar()->setVisible(on);
}

void Tmdiframe::closeProgram() {
  leaving_ = true;
  close();
  emit left();
}

bool Tmdiframe::open(const std::string& page) {
  HelpOpener* h = helpOverride_ ? helpOverride_ : systemHelp_.get();
  return h && h->open(page);
}

void Tmdiframe::showPopup(QPoint at) {
  if (!controller_) return;
  const PopupMenu m = controller_->preparePopup({at.x(), at.y()});
  if (popupHook) {
    popupHook(m);
    return;
  }
  QMenu menu(this);
  menu.setObjectName(QStringLiteral("PopupMenu1"));
  QMenu* del = nullptr;
  for (std::size_t i = 0; i < m.items.size(); ++i) {
    const PopupItem& item = m.items[i];
    QAction* a;
    if (item.kind == PopupItem::DeleteBox) {
      if (!del) del = menu.addMenu(QStringLiteral("Delete one layer box"));
      a = del->addAction(q(item.caption));
    } else {
      a = menu.addAction(q(item.caption));
    }
    a->setEnabled(item.enabled);
    a->setData(static_cast<int>(i));
  }
  if (!del) menu.addMenu(QStringLiteral("Delete one layer box"))->setEnabled(false);
  QAction* chosen = menu.exec(PaintLayout->mapToGlobal(at));
  if (chosen && controller_) {
    controller_->choosePopup(m, static_cast<std::size_t>(chosen->data().toInt()));
    commandsChanged();
  }
}

void Tmdiframe::closeEvent(QCloseEvent* e) {
  if (leaving_ || !controller_) {
    e->accept();
    return;
  }
  if (controller_->leave()) {
    leaving_ = true;
    e->accept();
    emit left();
  } else {
    e->ignore();
  }
}

void Tmdiframe::keyPressEvent(QKeyEvent* e) { handleKey(e); }

void Tmdiframe::handleKey(QKeyEvent* e) {
  if (!controller_) return;
  char ch = 0;
  const FrameKey k = LayoutWidget::keyOf(e->key(), ch);
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  if (k == FrameKey::Other && !controller_->simulationRunning()) {
    e->ignore();
    return;
  }
  controller_->keyPress(k, ch, ctrl);
  pressModeButton(buttonForMode(controller_->mode()));
  commandsChanged();
  e->accept();
}

}  // namespace quill
