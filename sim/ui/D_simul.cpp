#include "sim/ui/D_simul.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPushButton>
#include <QTabBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/Cp1252.h"
#include "platform/ui/QtDebugWindow.h"

namespace quill {

namespace {
QString q(const std::string& s) { return QString::fromUtf8(cp1252ToUtf8(s)); }
}  // namespace

// ------------------------------------------------------------- vector state

void clearUpperVectorState() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  static const bool avx = __builtin_cpu_supports("avx");
  // this code is built for SSE: no 256-bit value is live here
  if (avx) __asm__ volatile("vzeroupper" ::: "memory");
#endif
}

QRect SimulSurface::takeDirty() {
  const QRect r = dirty_;
  dirty_ = QRect();
  return r;
}

void SimulSurface::touch(int x1, int y1, int x2, int y2) {
  dirty_ |= QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2) - 1, std::max(y1, y2) - 1));
}

void SimulSurface::fillRect(int x1, int y1, int x2, int y2, Colour c) {
  s_.fillRect(x1, y1, x2, y2, c);
  touch(x1, y1, x2, y2);
  clearUpperVectorState();
}

void SimulSurface::fillPattern(int x1, int y1, int x2, int y2, const Pattern8& p, Colour c) {
  s_.fillPattern(x1, y1, x2, y2, p, c);
  touch(x1, y1, x2, y2);
  clearUpperVectorState();
}

void SimulSurface::outlineRect(int x1, int y1, int x2, int y2, Colour c) {
  s_.outlineRect(x1, y1, x2, y2, c);
  touch(x1, y1, x2, y2);
  clearUpperVectorState();
}

void SimulSurface::line(int x1, int y1, int x2, int y2, Colour c, bool dotted) {
  s_.line(x1, y1, x2, y2, c, dotted);
  touch(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1);
  clearUpperVectorState();
}

void SimulSurface::setPixel(int x, int y, Colour c) {
  s_.setPixel(x, y, c);
  touch(x, y, x + 1, y + 1);
  clearUpperVectorState();
}

void SimulSurface::text(int x, int y, std::string_view text, const TextStyle& style) {
  s_.text(x, y, text, style);
  // a generous box: the font's height is not asked for on every text
  touch(x, y, x + s_.textWidth(text, style) + 2, y + 3 * style.pointSize);
  clearUpperVectorState();
}

int SimulSurface::textWidth(std::string_view text, const TextStyle& style) const {
  const int w = s_.textWidth(text, style);
  clearUpperVectorState();
  return w;
}

// ------------------------------------------------------------- paint area

SimulPaintArea::SimulPaintArea(TFormSimul& form, QWidget* parent) : QWidget(parent), form_(form) {
  setObjectName(QStringLiteral("DrawSimu"));
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(320, 200);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SimulPaintArea::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  const QImage& img = surface_.image();
  const QRect exposed = e->rect();
  p.drawImage(exposed.topLeft(), img, exposed);
  // the part of the area the picture does not cover yet (between a resize and its redraw)
  const QRegion rest = QRegion(exposed) - QRegion(img.rect());
  for (const QRect& r : rest) p.fillRect(r, Qt::black);
  clearUpperVectorState();
}

void SimulPaintArea::resizeEvent(QResizeEvent*) { form_.logic().resize(width(), height()); }

void SimulPaintArea::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) form_.logic().mousePress(e->pos().x(), e->pos().y());
}

void SimulPaintArea::mouseMoveEvent(QMouseEvent* e) { form_.logic().mouseMove(e->pos().x(), e->pos().y()); }

void SimulPaintArea::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) form_.logic().mouseRelease(e->pos().x(), e->pos().y());
}

// ------------------------------------------------------------- the window

TFormSimul::TFormSimul(SimulationWindow& logic, Services& services, QWidget* parent)
    : QDialog(parent), logic_(logic), services_(services), printer_(std::make_unique<QPrinter>()) {
  build();
  connectControls();
  UpdateControls();
}

TFormSimul::~TFormSimul() = default;

void TFormSimul::build() {
  setObjectName(QStringLiteral("FormSimul"));
  setWindowTitle(QStringLiteral("Simulation"));
  setSizeGripEnabled(true);
  auto* top = new QVBoxLayout(this);
  SimulMode = new QTabBar(this);
  SimulMode->setObjectName(QStringLiteral("SimulMode"));
  for (const char* t : kModeTabs) SimulMode->addTab(QString::fromLatin1(t));
  top->addWidget(SimulMode);
  auto* row = new QHBoxLayout;
  top->addLayout(row, 1);
  DrawSimu = new SimulPaintArea(*this, this);
  row->addWidget(DrawSimu, 1);

  auto* sideWidget = new QWidget(this);
  sideWidget->setFixedWidth(210);
  auto* side = new QVBoxLayout(sideWidget);
  side->setContentsMargins(0, 0, 0, 0);
  row->addWidget(sideWidget);
  auto named = [](auto* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
  };
  auto combo = [&](const char* name) { return named(new QComboBox(this), name); };
  auto check = [&](const char* name, const char* text) { return named(new QCheckBox(QString::fromLatin1(text), this), name); };

  GroupDelay = named(new QGroupBox(this), "GroupDelay");
  auto* gd = new QVBoxLayout(GroupDelay);
  LabelStartAndTrig = named(new QLabel(this), "LabelStartAndTrig");
  ComboStart = combo("ComboStart");
  ComboListI = combo("ComboListI");
  EditTrigger = named(new QLineEdit(this), "EditTrigger");
  LabelStopNode = named(new QLabel(this), "LabelStopNode");
  ComboStop = combo("ComboStop");
  ComboCurrent = combo("ComboCurrent");
  ComboFreq = combo("ComboFreq");
  CheckGainAndIss = check("CheckGainAndIss", "Bus value");
  CheckDelayAndIdd = check("CheckDelayAndIdd", "delay");
  CheckLog = check("CheckLog", "log");
  CheckSlope = check("CheckSlope", "Slope");
  CheckHysteresis = check("CheckHysteresis", "Hysteresis");
  for (QWidget* w : std::initializer_list<QWidget*>{LabelStartAndTrig, ComboStart, ComboListI, EditTrigger, LabelStopNode,
                                                    ComboStop, ComboCurrent, ComboFreq, CheckGainAndIss,
                                                    CheckDelayAndIdd, CheckLog, CheckSlope, CheckHysteresis})
    gd->addWidget(w);
  side->addWidget(GroupDelay);

  GroupCtk = named(new QGroupBox(QStringLiteral("Evaluation"), this), "GroupCtk");
  auto* gc = new QVBoxLayout(GroupCtk);
  ComboEval = combo("ComboEval");
  ComboEval->setPlaceholderText(QStringLiteral("Node"));
  CheckMinMax = check("CheckMinMax", "min/max/av");
  CheckFreq = check("CheckFreq", "frequency");
  sbFft = named(new QPushButton(QStringLiteral("FFT"), this), "sbFft");
  for (QWidget* w : std::initializer_list<QWidget*>{ComboEval, CheckMinMax, CheckFreq, sbFft}) gc->addWidget(w);
  side->addWidget(GroupCtk);

  GroupStep = named(new QGroupBox(this), "GroupStep");
  auto* gs = new QVBoxLayout(GroupStep);
  EditDt = named(new QLineEdit(this), "EditDt");
  gs->addWidget(EditDt);
  side->addWidget(GroupStep);

  GroupTimeScale = named(new QGroupBox(this), "GroupTimeScale");
  auto* gt = new QVBoxLayout(GroupTimeScale);
  ComboTime = combo("ComboTime");
  ComboXScale = combo("ComboXScale");
  ComboEye = combo("ComboEye");
  for (QWidget* w : std::initializer_list<QWidget*>{ComboTime, ComboXScale, ComboEye}) gt->addWidget(w);
  side->addWidget(GroupTimeScale);

  LabelWatts = named(new QLabel(QStringLiteral("Power: "), this), "LabelWatts");
  LabelWattsR = named(new QLabel(QStringLiteral("PowerR: "), this), "LabelWattsR");
  side->addWidget(LabelWatts);
  side->addWidget(LabelWattsR);

  auto button = [&](const char* name, const char* text) {
    return named(new QPushButton(QString::fromLatin1(text), this), name);
  };
  auto* zoom = new QHBoxLayout;
  sbVup = button("sbVup", "V x1.5");
  sbVDown = button("sbVDown", "V /1.5");
  sbVup->setToolTip(QStringLiteral("Larger voltage range"));
  sbVDown->setToolTip(QStringLiteral("Smaller voltage range"));
  zoom->addWidget(sbVup);
  zoom->addWidget(sbVDown);
  side->addLayout(zoom);
  auto* buttons = new QGridLayout;
  btnReset = button("btnReset", "Reset");
  sbMore = button("sbMore", "More");
  sbPrint = button("sbPrint", "Print");
  sbTrace = button("sbTrace", "Memory");
  sbTrace->setCheckable(true);
  sbDebug = button("sbDebug", "Debug");
  btnClose = button("btnClose", "Close");
  buttons->addWidget(btnReset, 0, 0);
  buttons->addWidget(sbMore, 0, 1);
  buttons->addWidget(sbPrint, 1, 0);
  buttons->addWidget(sbTrace, 1, 1);
  buttons->addWidget(sbDebug, 2, 0);
  buttons->addWidget(btnClose, 2, 1);
  side->addLayout(buttons);
  side->addStretch(1);
  for (QPushButton* b : {btnReset, sbMore, sbPrint, sbTrace, sbDebug, btnClose, sbFft, sbVup, sbVDown}) {
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::NoFocus);  // keys go to the window, for Stop and the models
  }
  DrawSimu->setFocus();
}

void TFormSimul::connectControls() {
  SimulationWindow& l = logic_;
  auto guarded = [this](auto f) {
    return [this, f](auto... a) {
      if (!updating_) f(a...);
    };
  };
  connect(SimulMode, &QTabBar::currentChanged, this, guarded([&l](int i) { l.SimulModeChange(i); }));
  connect(ComboStart, &QComboBox::activated, this, guarded([&l](int i) { l.ComboStartChange(i); }));
  connect(ComboStop, &QComboBox::activated, this, guarded([&l](int i) { l.ComboStopChange(i); }));
  connect(ComboEval, &QComboBox::activated, this, guarded([&l](int i) { l.ComboEvalChange(i); }));
  connect(ComboListI, &QComboBox::activated, this, guarded([&l](int i) { l.ComboListIChange(i); }));
  connect(ComboTime, &QComboBox::activated, this, guarded([&l](int i) { l.ComboTimeChange(i); }));
  connect(ComboEye, &QComboBox::activated, this, guarded([&l](int i) { l.ComboEyeChange(i); }));
  connect(ComboCurrent, &QComboBox::activated, this, guarded([&l](int i) { l.ComboCurrentChange(i); }));
  connect(ComboFreq, &QComboBox::activated, this, guarded([&l](int i) { l.ComboFreqChange(i); }));
  connect(ComboXScale, &QComboBox::activated, this, guarded([&l](int i) { l.ComboXScaleChange(i); }));
  connect(CheckGainAndIss, &QCheckBox::toggled, this, guarded([&l](bool on) { l.checkGainAndIss = on; }));
  connect(CheckDelayAndIdd, &QCheckBox::toggled, this, guarded([&l](bool on) { l.checkDelayAndIdd = on; }));
  connect(CheckLog, &QCheckBox::toggled, this, guarded([&l](bool on) { l.checkLog = on; }));
  connect(CheckMinMax, &QCheckBox::toggled, this, guarded([&l](bool on) { l.CheckMinMaxClick(on); }));
  connect(CheckFreq, &QCheckBox::toggled, this, guarded([&l](bool on) { l.checkFreq = on; }));
  connect(CheckSlope, &QCheckBox::toggled, this, guarded([&l](bool on) { l.checkSlope = on; }));
  connect(CheckHysteresis, &QCheckBox::toggled, this, guarded([&l](bool on) { l.checkHysteresis = on; }));
  connect(EditTrigger, &QLineEdit::textEdited, this,
          guarded([&l](const QString& s) { l.EditTriggerChange(utf8ToCp1252(s.toStdString())); }));
  connect(EditDt, &QLineEdit::textEdited, this,
          guarded([&l](const QString& s) { l.EditDtChange(utf8ToCp1252(s.toStdString())); }));
  connect(btnReset, &QPushButton::clicked, this, [&l] { l.btnResetClick(); });
  connect(sbMore, &QPushButton::clicked, this, [&l] { l.sbMoreClick(); });
  connect(btnClose, &QPushButton::clicked, this, [&l] { l.btnCloseClick(); });
  connect(sbPrint, &QPushButton::clicked, this, [&l] { l.sbPrintClick(); });
  connect(sbTrace, &QPushButton::toggled, this, guarded([&l](bool on) { l.sbTraceClick(on); }));
  connect(sbDebug, &QPushButton::clicked, this, [&l] { l.sbDebugClick(); });
  connect(sbFft, &QPushButton::clicked, this, [&l] { l.sbFftClick(); });
  connect(sbVup, &QPushButton::clicked, this, [&l] { l.sbVupClick(); });
  connect(sbVDown, &QPushButton::clicked, this, [&l] { l.sbVDownClick(); });
}

void TFormSimul::fill(QComboBox* c, const std::vector<std::string>& items, int current) {
  bool same = c->count() == static_cast<int>(items.size());
  for (int i = 0; same && i < c->count(); ++i) same = c->itemText(i) == q(items[static_cast<std::size_t>(i)]);
  if (!same) {
    c->clear();
    for (const std::string& s : items) c->addItem(q(s));
  }
  c->setCurrentIndex(current >= 0 && current < c->count() ? current : -1);
}

void TFormSimul::UpdateControls() {
  updating_ = true;
  SimulationWindow& l = logic_;
  setWindowTitle(q(l.caption()));
  SimulMode->setCurrentIndex(l.tab());
  const ModeControls& m = modeControls(l.tab());
  GroupDelay->setTitle(QString::fromLatin1(m.group));
  LabelStartAndTrig->setText(QString::fromLatin1(m.startLabel));
  LabelStopNode->setText(QString::fromLatin1(m.stopLabel));
  LabelStopNode->setVisible(*m.stopLabel != 0);
  ComboStart->setVisible(m.start == ModeControls::StartList);
  ComboListI->setVisible(m.start == ModeControls::CurrentList);
  EditTrigger->setVisible(m.start == ModeControls::Trigger);
  ComboStop->setVisible(m.stop == ModeControls::StopList);
  ComboCurrent->setVisible(m.stop == ModeControls::CurrentScale);
  ComboFreq->setVisible(m.stop == ModeControls::FrequencyScale);
  CheckGainAndIss->setText(QString::fromLatin1(m.gainCaption));
  CheckGainAndIss->setVisible(*m.gainCaption != 0);
  CheckDelayAndIdd->setText(QString::fromLatin1(m.delayCaption));
  CheckDelayAndIdd->setVisible(*m.delayCaption != 0);
  CheckMinMax->setText(QString::fromLatin1(m.minMaxCaption));
  CheckLog->setVisible(m.log);
  CheckFreq->setVisible(m.freq);
  CheckSlope->setVisible(m.slope);
  CheckHysteresis->setVisible(m.hysteresis);
  GroupCtk->setVisible(m.evaluation);
  sbFft->setVisible(m.fft);
  GroupStep->setTitle(QString::fromLatin1(m.stepGroup));
  GroupStep->setEnabled(m.stepEnabled);
  GroupTimeScale->setTitle(QString::fromLatin1(m.timeGroup));
  ComboTime->setVisible(m.timeList == ModeControls::Time);
  ComboXScale->setVisible(m.timeList == ModeControls::XScale);
  ComboEye->setVisible(m.timeList == ModeControls::Eye);

  const std::vector<std::string> nodes = l.nodeItems();
  fill(ComboStart, nodes, l.startItem);
  fill(ComboStop, nodes, l.stopItem);
  fill(ComboEval, nodes, l.nodesAssigned() ? l.evalItem : -1);
  fill(ComboListI, l.currentItems(), l.currentItem);
  fill(ComboTime, l.timeItems(), l.timeItem);
  fill(ComboEye, l.timeItems(), l.eyeItem);
  fill(ComboCurrent, l.currentScaleItems(), l.currentScaleItem);
  fill(ComboFreq, l.frequencyScaleItems(), l.frequencyScaleItem);
  fill(ComboXScale, l.xScaleItems(), l.xScaleItem);
  CheckGainAndIss->setChecked(l.checkGainAndIss);
  CheckDelayAndIdd->setChecked(l.checkDelayAndIdd);
  CheckLog->setChecked(l.checkLog);
  CheckMinMax->setChecked(l.checkMinMax);
  CheckFreq->setChecked(l.checkFreq);
  CheckSlope->setChecked(l.checkSlope);
  CheckHysteresis->setChecked(l.checkHysteresis);
  if (EditTrigger->text() != q(l.triggerText) && !EditTrigger->hasFocus()) EditTrigger->setText(q(l.triggerText));
  if (EditDt->text() != q(l.stepBoxText()) && !EditDt->hasFocus()) EditDt->setText(q(l.stepBoxText()));
  LabelWatts->setText(q(l.powerText()));
  LabelWattsR->setVisible(!l.resistorText().empty());
  LabelWattsR->setText(q(l.resistorText()));
  btnClose->setText(q(l.closeCaption()));
  sbPrint->setToolTip(q(l.printHint()));
  sbTrace->setChecked(l.memory);
  updating_ = false;
}

void TFormSimul::plotChanged() {
  const QRect r = DrawSimu->takeDirty();
  if (!r.isEmpty()) DrawSimu->update(r);
  clearUpperVectorState();
}

void TFormSimul::pumpEvents() {
  QCoreApplication::processEvents();
  clearUpperVectorState();
}

void TFormSimul::waitForEvents() {
  DrawSimu->update();
  QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  QThread::msleep(15);  // a paused run should not keep a core busy
  clearUpperVectorState();
}

void TFormSimul::closeWindow() {
  closing_ = true;
  accept();
  closing_ = false;
}

bool TFormSimul::printDialog() {
  if (printDialog_) return printDialog_(*printer_);
  QPrintDialog d(printer_.get(), this);
  return d.exec() == QDialog::Accepted;
}

void TFormSimul::printPlot(const std::string& header) {
  QImage img = DrawSimu->surface().image().copy();
  {
    QPainter p(&img);
    p.setPen(Qt::black);
    const QFont f = QtSurface::fontFor(TextStyle{});
    p.setFont(f);
    p.drawText(50, 5 + QFontMetrics(f).ascent(), q(header));
  }
  QPainter p(printer_.get());
  if (!p.isActive()) return;
  const QRect page = p.viewport();
  const QSize s = img.size().scaled(page.size(), Qt::KeepAspectRatio);
  p.setViewport(page.x(), page.y(), s.width(), s.height());
  p.setWindow(img.rect());
  p.drawImage(0, 0, img);
}

void TFormSimul::showDebug() {
  if (auto* d = dynamic_cast<QtDebugWindow*>(&services_.debug)) {
    d->window()->show();
    d->window()->raise();
  }
}

void TFormSimul::runningChanged(bool running) {
  if (onRunning) onRunning(running);
}

void TFormSimul::resizeSurface(int w, int h) {
  DrawSimu->surface().resize(w, h, logic_.plot().backgroundColour());
  DrawSimu->takeDirty();
  DrawSimu->update();
}

void TFormSimul::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  UpdateControls();
  // the run starts once the window is up
  QTimer::singleShot(0, this, [this] {
    if (isVisible() && !logic_.running()) logic_.FormActivate();
  });
}

void TFormSimul::closeEvent(QCloseEvent* e) {
  if (logic_.running()) {
    logic_.btnCloseClick();  // stops; the window stays
    e->ignore();
    return;
  }
  logic_.memory = false;
  e->accept();
}

void TFormSimul::reject() {
  if (logic_.running()) {
    logic_.btnCloseClick();
    return;
  }
  QDialog::reject();
}

void TFormSimul::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    logic_.keyPress('\x1b');
    e->accept();
    return;
  }
  const std::string t = utf8ToCp1252(e->text().toStdString());
  if (t.size() == 1) {
    logic_.keyPress(t[0]);
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

// ------------------------------------------------------------- the frame's part

FrameSimulation::FrameSimulation(FrameController& frame, LayoutView& view, ExtractionOptions& options,
                                 ExtractedCircuit& circuit, QWidget* parent, ExtractionView* shortGate)
    : frame_(frame),
      parent_(parent),
      options_(options),
      circuit_(circuit),
      engine_(frame.context().db, frame.context().tech, circuit_, frame.context().services),
      window_(engine_, frame.context(), circuit_, &options_) {
  wells_ = std::make_unique<TFormWell>(parent);
  form_ = std::make_unique<TFormSimul>(window_, frame.context().services, parent);
  window_.setWellDialog(wells_.get());
  window_.setHost(form_.get());
  window_.setSurface(&form_->DrawSimu->plotSurface());
  window_.background = [&view] {
    return view.monochrome() ? PlotBackground::Monochrome
                             : view.whiteBackground() ? PlotBackground::White : PlotBackground::Black;
  };
  form_->onRunning = [this](bool on) { frame_.setSimulationRunning(on); };
  commands_ = std::make_unique<SimulationCommands>(frame, window_, circuit_, options_, *this);
  commands_->view = shortGate;
  layout_ = std::make_unique<LayoutSimulation>(frame, view, window_, circuit_, options_);
  layout_->wells = wells_.get();
  layout_->shortGate = shortGate;
  layout_->areaChanged = [this] {
    if (layoutDrawn) layoutDrawn();
  };
  layout_->pumpEvents = [] {
    QCoreApplication::processEvents();
    clearUpperVectorState();
  };
}

FrameSimulation::~FrameSimulation() {
  layout_.reset();
  commands_.reset();
  window_.setHost(nullptr);
  window_.setSurface(nullptr);
  window_.setWellDialog(nullptr);
}

void FrameSimulation::hideToolWindows() {
  if (hidePalette) hidePalette();
}

void FrameSimulation::showToolWindows() {
  if (showPalette) showPalette();
}

void FrameSimulation::showSimulationWindow() {
  if (parent_) form_->resize(std::max(400, parent_->width() - 30), std::max(300, parent_->height() - 80));
  form_->exec();
}

}  // namespace quill
