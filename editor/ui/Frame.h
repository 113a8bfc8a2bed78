// The main window, Tmdiframe: menu bar, tool bar of two-state mode buttons,
// drawing area, right-button pop-up and the three-panel status bar, bound to
// the Qt-free FrameController that holds the command states. Printing goes
// through QPrinter, help pages through a HelpOpener (the system's handler by
// default).
#pragma once
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QPrinter>
#include <QToolBar>
#include <functional>
#include <map>
#include <memory>

#include "editor/EditHandlers.h"
#include "editor/Frame.h"
#include "editor/GeneratorPlacement.h"
#include "editor/GeneratorSettings.h"
#include "editor/Labels.h"
#include "exchange/SpiceNetlist.h"
#include "verify/ExtractPanel.h"
#include "verify/ui/D_SimuOpt.h"
#include "editor/ui/D_Generator.h"
#include "editor/ui/D_addname.h"
#include "editor/ui/EditTools.h"
#include "verify/EditorCommands.h"
#include "editor/View.h"
#include "editor/ui/LayoutWidget.h"
#include "platform/ui/QtStatusMessage.h"

namespace quill {

class TFormRules;
class FrameSimulation;
class TFormPalette;

// Opens help pages below a folder (the start-up folder) with the desktop's
// handler for their kind.
class QtHelpOpener : public HelpOpener {
 public:
  explicit QtHelpOpener(std::string folder) : folder_(std::move(folder)) {}
  bool open(const std::string& page) override;
  // the file a page name stands for ("html\index.htm" -> folder/html/index.htm)
  std::string pathOf(const std::string& page) const;

 private:
  std::string folder_;
};

class Tmdiframe : public QMainWindow, public FrameWindow, public HelpOpener, public FramePalette {
  Q_OBJECT
 public:
  explicit Tmdiframe(QWidget* parent = nullptr);
  ~Tmdiframe() override;

  // the status line, for the context's services (exists from construction)
  QtStatusMessage& status() { return *status_; }
  // makes the view and the controller for the context's records; once
  void bind(AppContext& ctx);
  // lets go of the context (before it is destroyed): view, controller, palette
  void unbind();

  // the tool windows of the start-up, after the files were read: the palette
  void createToolWindows();

  FrameController& controller() { return *controller_; }
  Palette* palette() const { return palette_.get(); }
  TFormPalette* FormPalette() const { return formPalette_.get(); }
  FrameSimulation* simulation() const { return simulation_.get(); }
  EditToolWindows* editTools() const { return editTools_.get(); }
  LayoutView& view() { return *view_; }
  LayoutWidget* PaintLayout = nullptr;
  QToolBar* ToolBar1 = nullptr;
  QAction* sbNone = nullptr;

  // the QAction of a menu entry or tool button, by control name (mnuOpen, sbBox)
  QAction* action(const QString& name) const;
  // help pages go to this opener instead of the system's (not owned; null: back)
  void setHelpOpener(HelpOpener* h) { helpOverride_ = h; }
  // replaces the system print dialog (tests print to PDF without it)
  void setPrintDialog(std::function<bool(QPrinter&)> d) { printDialog_ = std::move(d); }
  QPrinter& printer() { return *printer_; }

  // FrameWindow
  void setTitle(const std::string& title) override;
  void pressModeButton(Command c) override;
  void areaChanged() override;
  void commandsChanged() override;
  void bringToFront() override;
  bool printDialog() override;
  void printDrawingArea() override;
  void setBarsVisible(bool on) override;
  void closeProgram() override;

  // HelpOpener (forwards)
  bool open(const std::string& page) override;

  // FramePalette
  void showPalette() override;
  void protectAll() override;
  void unprotectAll() override;
  void showMetalButtons(bool release) override;

  // the pop-up at a point of the drawing area; returns the menu it showed
  // (tests choose from it through the controller)
  void showPopup(QPoint at);
  // when set, the pop-up is handed here instead of being shown
  std::function<void(const PopupMenu&)> popupHook;

 signals:
  // File/Leave was confirmed
  void left();

 public:
  ExtractedCircuit* circuit() { return circuit_.get(); }
  ExtractionOptions* extractionOptions() { return extractionOptions_.get(); }

 protected:
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void buildMenus();
  void buildToolBar();
  void run(Command c);
  void handleKey(QKeyEvent* e);

  std::unique_ptr<QtStatusMessage> status_;
  AppContext* ctx_ = nullptr;
  std::unique_ptr<LayoutView> view_;
  std::unique_ptr<LayoutViewFrame> viewLink_;
  std::unique_ptr<FrameController> controller_;
  std::unique_ptr<QtHelpOpener> systemHelp_;
  HelpOpener* helpOverride_ = nullptr;
  std::unique_ptr<QPrinter> printer_;
  std::function<bool(QPrinter&)> printDialog_;
  std::unique_ptr<TFormRules> rules_;
  std::unique_ptr<FramePaletteHost> paletteHost_;
  std::unique_ptr<Palette> palette_;
  std::unique_ptr<TFormPalette> formPalette_;
  std::unique_ptr<EditOperations> editOps_;
  std::unique_ptr<EditingCommands> editing_;
  std::unique_ptr<VerifyCommands> verify_;
  std::unique_ptr<TFormAddText> formAddText_;
  std::unique_ptr<AddTextHost> addTextHost_;
  std::unique_ptr<PlaceText> placeText_;
  // the extracted circuit and its options: one per program, shared by
  // extraction, simulation and netlists
  std::unique_ptr<ExtractionOptions> extractionOptions_;
  std::unique_ptr<ExtractedCircuit> circuit_;
  std::unique_ptr<ExtractionPanel> extractionPanel_;
  // the view shows a gate shorter than the rules with a margin around it
  struct ShortGateView : ExtractionView {
    LayoutView* view = nullptr;
    void showShortGate(const Rect& g, int margin) override {
      if (view) view->SetView(g.x1 - margin, g.y1 - margin, g.x2 + margin, g.y2 + margin);
    }
  } shortGateView_;
  std::unique_ptr<TFormSimuOpt> formSimuOpt_;
  // the Simulate commands with the simulation window and the floating-well warning
  std::unique_ptr<FrameSimulation> simulation_;
  std::unique_ptr<GeneratorSettings> generatorSettings_;
  std::unique_ptr<GeneratorCommands> generatorCommands_;
  std::unique_ptr<TFormGenerator> formGenerator_;
  // duplicate, move step by step, box search, virtual R, L, C
  std::unique_ptr<EditToolWindows> editTools_;
  QActionGroup* modeGroup_ = nullptr;
  // every action of a command: menu entries and tool buttons
  std::multimap<Command, QAction*> actions_;
  std::map<Command, QAction*> toolActions_;
  bool leaving_ = false;
};

}  // namespace quill
