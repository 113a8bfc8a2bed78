// The generators' side of the main frame: the generate button arms a
// placement command state, and each click in it places one element at the
// clicked point with the current GeneratorSettings.
//
// States: 28 contacts, 29 MOS device, 32 single bonding pad. The menu
// entries Edit/Generate/Contacts, nMOS Device, pMOS Device and I/O Pads open
// the window (through openWindow) on their page.
//
// Binding, for the main window:
//  - make one GeneratorCommands with the frame and the one GeneratorSettings;
//  - set openWindow to show TFormGenerator (modal) on a page;
//  - set releasePaletteButtons to the palette's ReleaseToolButtons;
//  - bindPalette(the frame's FramePaletteHost): the palette's contact and
//    pad placements and its generator buttons then run here;
//  - hand the object to TFormGenerator as its GeneratorHost.
#pragma once
#include <functional>
#include <string>

#include "editor/Frame.h"
#include "editor/GeneratorSettings.h"

namespace quill {

// What the generator window asks of the main frame.
class GeneratorHost {
 public:
  virtual ~GeneratorHost() = default;
  // the generate button: arm the placement of the page's element
  virtual void arm(GeneratorPage page) = 0;
  // "Cancel": back to box drawing
  virtual void cancel() = 0;
  // whether the generate button can do anything on this page
  virtual bool available(GeneratorPage page) const = 0;
  // the pad page's "Pad ring " choice has a generator
  virtual bool padRingAvailable() const { return false; }
};

constexpr int kModeGenContacts = kModeGenerator28;
constexpr int kModeGenMos = kModeGenerator29;
constexpr int kModeGenPad = kModeGenerator32;

class GeneratorCommands : public GeneratorHost {
 public:
  GeneratorCommands(FrameController& frame, GeneratorSettings& settings);
  ~GeneratorCommands() override;
  GeneratorCommands(const GeneratorCommands&) = delete;
  GeneratorCommands& operator=(const GeneratorCommands&) = delete;

  std::function<void(GeneratorPage)> openWindow;
  std::function<void()> releasePaletteButtons;

  void arm(GeneratorPage page) override;
  void cancel() override;
  bool available(GeneratorPage page) const override { return modeOf(page) != 0; }

  // places the page's element at p, as a click in its state does; false when
  // it failed (the failure is shown once in the status line)
  bool place(GeneratorPage page, LambdaPoint p);

  // the palette's placements (its own undo mark and messages around them)
  void bindPalette(FramePaletteHost& host);
  bool placeContact(LambdaPoint p, int kind);
  bool placeBondingPad(LambdaPoint p, std::int32_t size);
  // the page a caption names ("MOS", "Contacts"), Contacts when none does
  static GeneratorPage pageNamed(std::string_view caption);

  // the state of a page's placement, 0 when it has none here
  static int modeOf(GeneratorPage page);
  // what the page would place at (0, 0), for the rubber shape
  Rect elementSize(GeneratorPage page) const;

 private:
  struct Placement : StateHandler {
    GeneratorCommands* owner = nullptr;
    GeneratorPage page = GeneratorPage::Contacts;
    void release(FrameController&, LambdaPoint, LambdaPoint point) override { owner->place(page, point); }
  };
  bool generate(LayoutGenerator& g, GeneratorPage page, std::int64_t x, std::int64_t y) const;
  // runs one placement into the layout: marks it changed and reports a failure once
  template <class F>
  bool placeWith(const char* what, F&& f);
  void openOn(GeneratorPage page, const char* status);

  FrameController& frame_;
  GeneratorSettings& settings_;
  Placement contacts_, mos_, pad_;
};

}  // namespace quill
