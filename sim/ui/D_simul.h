// The simulation window TFormSimul: the tab set of the five modes, the
// paint area the plot draws into, the node, scale and option controls, the
// buttons, bound to the Qt-free SimulationWindow. And FrameSimulation, what
// the main window holds of the simulation: the engine over the program's
// extracted circuit, this window, the floating-well warning, the
// Simulate commands and the simulation on the layout.
#pragma once
#include <QDialog>
#include <QPrinter>
#include <functional>
#include <memory>

#include "editor/View.h"
#include "platform/ui/QtSurface.h"
#include "sim/LayoutSimulation.h"
#include "sim/SimulCommands.h"
#include "sim/SimulWindow.h"
#include "sim/ui/D_Well.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QToolButton;

namespace quill {

class TFormSimul;

// Qt's drawing and event code may leave the upper halves of the vector
// registers in use, and the engine's plain SSE code then runs up to half as
// fast until they are cleared: done after every call into Qt during a run.
void clearUpperVectorState();

// The plot's surface as the logic sees it: the paint area's QtSurface, with
// the vector state cleared after each drawing call and the part drawn on
// kept, so that a repaint during a run copies only that.
class SimulSurface : public Surface {
 public:
  explicit SimulSurface(QtSurface& s) : s_(s) {}
  // what was drawn on since the last call
  QRect takeDirty();
  int width() const override { return s_.width(); }
  int height() const override { return s_.height(); }
  void setPenMode(PenMode mode) override { s_.setPenMode(mode); }
  PenMode penMode() const override { return s_.penMode(); }
  void fillRect(int x1, int y1, int x2, int y2, Colour c) override;
  void fillPattern(int x1, int y1, int x2, int y2, const Pattern8& p, Colour c) override;
  void outlineRect(int x1, int y1, int x2, int y2, Colour c) override;
  void line(int x1, int y1, int x2, int y2, Colour c, bool dotted = false) override;
  void setPixel(int x, int y, Colour c) override;
  Colour pixel(int x, int y) const override { return s_.pixel(x, y); }
  void text(int x, int y, std::string_view text, const TextStyle& style) override;
  int textWidth(std::string_view text, const TextStyle& style) const override;

 private:
  void touch(int x1, int y1, int x2, int y2);  // the half-open rectangle was drawn on
  QtSurface& s_;
  QRect dirty_;
};

// The paint area: shows the plot's surface and hands the mouse to the logic.
class SimulPaintArea : public QWidget {
 public:
  SimulPaintArea(TFormSimul& form, QWidget* parent);
  QtSurface& surface() { return surface_; }
  // what the logic draws on
  Surface& plotSurface() { return plot_; }
  QRect takeDirty() { return plot_.takeDirty(); }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  TFormSimul& form_;
  QtSurface surface_{1, 1};
  SimulSurface plot_{surface_};
};

class TFormSimul : public QDialog, public SimulationWindowHost {
 public:
  TFormSimul(SimulationWindow& logic, Services& services, QWidget* parent = nullptr);
  ~TFormSimul() override;

  SimulationWindow& logic() { return logic_; }
  // shows every control as the logic says
  void UpdateControls();
  // replaces the system print dialog (tests print to PDF without it)
  void setPrintDialog(std::function<bool(QPrinter&)> d) { printDialog_ = std::move(d); }
  QPrinter& printer() { return *printer_; }
  // called when a run starts and ends (the main frame's keys then stop it)
  std::function<void(bool)> onRunning;

  SimulPaintArea* DrawSimu = nullptr;
  QTabBar* SimulMode = nullptr;
  QComboBox *ComboStart = nullptr, *ComboStop = nullptr, *ComboEval = nullptr, *ComboListI = nullptr;
  QComboBox *ComboTime = nullptr, *ComboEye = nullptr, *ComboXScale = nullptr, *ComboCurrent = nullptr,
            *ComboFreq = nullptr;
  QCheckBox *CheckGainAndIss = nullptr, *CheckDelayAndIdd = nullptr, *CheckLog = nullptr, *CheckMinMax = nullptr,
            *CheckFreq = nullptr, *CheckSlope = nullptr, *CheckHysteresis = nullptr;
  QLineEdit *EditTrigger = nullptr, *EditDt = nullptr;
  QGroupBox *GroupDelay = nullptr, *GroupTimeScale = nullptr, *GroupStep = nullptr, *GroupCtk = nullptr;
  QLabel *LabelStartAndTrig = nullptr, *LabelStopNode = nullptr, *LabelWatts = nullptr, *LabelWattsR = nullptr;
  QPushButton *btnReset = nullptr, *sbMore = nullptr, *btnClose = nullptr, *sbPrint = nullptr, *sbTrace = nullptr,
              *sbDebug = nullptr, *sbFft = nullptr, *sbVup = nullptr, *sbVDown = nullptr;

  // SimulationWindowHost
  void controlsChanged() override { UpdateControls(); }
  void plotChanged() override;
  void pumpEvents() override;
  void waitForEvents() override;
  void closeWindow() override;
  bool printDialog() override;
  void printPlot(const std::string& header) override;
  void showDebug() override;
  void runningChanged(bool running) override;
  void resizeSurface(int w, int h) override;

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void reject() override;

 private:
  void build();
  void connectControls();
  static void fill(QComboBox* c, const std::vector<std::string>& items, int current);

  SimulationWindow& logic_;
  Services& services_;
  std::unique_ptr<QPrinter> printer_;
  std::function<bool(QPrinter&)> printDialog_;
  bool updating_ = false;
  bool closing_ = false;
};

// What the main window holds of the simulation.
class FrameSimulation : public SimulationCommandHost {
 public:
  // options and circuit are the program's (not owned); view takes the
  // extraction's short-gate warning
  FrameSimulation(FrameController& frame, LayoutView& view, ExtractionOptions& options, ExtractedCircuit& circuit,
                  QWidget* parent, ExtractionView* shortGate = nullptr);
  ~FrameSimulation() override;

  ExtractionOptions& options() { return options_; }
  ExtractedCircuit& circuit() { return circuit_; }
  SimulationEngine& engine() { return engine_; }
  SimulationWindow& window() { return window_; }
  SimulationCommands& commands() { return *commands_; }
  LayoutSimulation& onLayout() { return *layout_; }
  TFormSimul* FormSimul() const { return form_.get(); }
  TFormWell* FormWell() const { return wells_.get(); }

  // the palette goes while the window is open, and comes back with Close
  std::function<void()> hidePalette, showPalette;
  // the simulation on the layout drew into the drawing area's surface
  std::function<void()> layoutDrawn;

  // SimulationCommandHost
  void hideToolWindows() override;
  void showToolWindows() override;
  void showSimulationWindow() override;

 private:
  FrameController& frame_;
  QWidget* parent_;
  ExtractionOptions& options_;
  ExtractedCircuit& circuit_;
  SimulationEngine engine_;
  SimulationWindow window_;
  std::unique_ptr<TFormWell> wells_;
  std::unique_ptr<TFormSimul> form_;
  std::unique_ptr<SimulationCommands> commands_;
  std::unique_ptr<LayoutSimulation> layout_;
};

}  // namespace quill
