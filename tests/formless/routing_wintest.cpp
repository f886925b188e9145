// The toolkit's message routing and loop: notifications reach the component
// they name by its window handle, owner-draw requests by its control
// identifier, everything else the window object or the default processing; WM_DESTROY only cancels
// (which ends the loop); the loop drains what was queued when it was ended.
#include "tests/driver/uidriver.h"
#include "tests/formless/toolkit.h"

#include <winternl.h>

#include <algorithm>

namespace toolkit {

const tMessageMethod TestProgram::methods[] = {
    {probeMessage, callMethod<TestProgram, &TestProgram::record>},
    {WM_COMMAND, callMethod<TestProgram, &TestProgram::record>},
    {WM_DESTROY, callMethod<TestProgram, &TestProgram::record>},
    {countMessage, callMethod<TestProgram, &TestProgram::count>},
};
const tMessageTable TestProgram::messages{&tProgram::messages, TestProgram::methods};
const tMessageMethod ProbeLabel::methods[] = {
    {probeMessage, callMethod<ProbeLabel, &ProbeLabel::probe>},
    {WM_DRAWITEM, callMethod<ProbeLabel, &ProbeLabel::probe>},
};
const tMessageTable ProbeLabel::messages{&tLabel::messages, ProbeLabel::methods};

int gdiObjectCount() {
  if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<int>(n);
  // The table of GDI handles: 65536 cells of 24 bytes (object, owner process,
  // count, generation, type, flags, user data), found from the process
  // environment block. Cells of other processes carry their owner's id;
  // Wine keeps one table per process and leaves the owner 0.
  struct Cell {
    uint64_t object;
    uint16_t process;
    uint16_t count;
    uint16_t unique;
    uint8_t type;
    uint8_t flags;
    uint64_t user;
  };
  static_assert(sizeof(Cell) == 24);
  PROCESS_BASIC_INFORMATION basic = {};
  if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic,
                                nullptr) != 0)
    return -1;
  auto* peb = reinterpret_cast<const char*>(basic.PebBaseAddress);
  const Cell* table = *reinterpret_cast<const Cell* const*>(peb + 0xF8); // GdiSharedHandleTable
  if (!table) return -1;
  auto self = static_cast<uint16_t>(GetCurrentProcessId());
  return static_cast<int>(std::count_if(table, table + 0x10000, [&](const Cell& c) {
    return c.type != 0 && (c.process == self || c.process == 0);
  }));
}

namespace {

TEST_F(Toolkit, MessagesReachOnlyTheComponentTheyName) {
  auto& probe = window->make<ProbeLabel>(makeBounds(10, 10, 100, 20), "probe");
  auto& button = window->make<tButton>(makeBounds(10, 40, 80, 24), "&Go", tButtonKind::plain);
  int clicks = 0;
  button.onClick = [&] { ++clicks; };
  window->createControls();
  HWND w = window->handle;

  // By handle: a control's WM_COMMAND reaches it, one from elsewhere the window object.
  SendMessageA(w, WM_COMMAND, MAKEWPARAM(button.id, BN_CLICKED), LPARAM(button.handle));
  EXPECT_EQ(clicks, 1);
  SendMessageA(w, WM_COMMAND, MAKEWPARAM(99, BN_CLICKED), LPARAM(w));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(window->seen, std::vector<UINT>{WM_COMMAND});
  // An owner-draw request by its identifier: the component's own handler answers.
  DRAWITEMSTRUCT draw = {};
  draw.CtlID = static_cast<UINT>(probe.id);
  draw.hwndItem = probe.handle;
  EXPECT_EQ(SendMessageA(w, WM_DRAWITEM, WPARAM(probe.id), LPARAM(&draw)), 42);
  EXPECT_EQ(probe.probes, 1);
  // Any other message is the window object's, whatever its wParam holds: a
  // control's identifier there names nothing.
  EXPECT_EQ(SendMessageA(w, probeMessage, MAKEWPARAM(probe.id, 0x7777), 0), 7);
  EXPECT_EQ(SendMessageA(w, probeMessage, probe.id, 0), 7);
  EXPECT_EQ(SendMessageA(w, probeMessage, 99, 0), 7);
  EXPECT_EQ(probe.probes, 1);
  // A message nobody handles gets the default processing.
  EXPECT_EQ(SendMessageA(w, probeMessage + 10, probe.id, 0), 0);
  EXPECT_EQ(SendMessageA(w, probeMessage + 10, 99, 0), 0);
  char caption[64] = {};
  EXPECT_EQ(SendMessageA(w, WM_GETTEXT, sizeof caption, LPARAM(caption)), 12);
  EXPECT_STREQ(caption, "Toolkit test");
  // A component's own window procedure goes first to the toolkit and then to
  // the control's: its text is still there.
  char text[64] = {};
  GetWindowTextA(probe.handle, text, sizeof text);
  EXPECT_STREQ(text, "probe");
  // Without a window object, only the default processing.
  appWindow = nullptr;
  EXPECT_EQ(SendMessageA(w, probeMessage, probe.id, 0), 0);
  appWindow = window.get();
  EXPECT_EQ(probe.probes, 1);
}

TEST_F(Toolkit, IdentifiersCountFromOneInEachWindowOverEveryKindOfComponent) {
  auto& label = window->make<tLabel>(makeBounds(0, 0, 10, 10), "a");
  auto& image = window->make<tImage>(makeBounds(0, 0, 4, 4), tBitmapRec{});
  auto& button = window->make<tButton>(makeBounds(0, 0, 10, 10), "b", tButtonKind::defaultPush);
  EXPECT_EQ(label.id, 1);
  EXPECT_EQ(image.id, 2);
  EXPECT_EQ(button.id, 3);
  EXPECT_EQ(GetDlgCtrlID(button.handle), 3);
  EXPECT_EQ(image.handle, nullptr) << "the image is a graphic, not a windowed component";
  EXPECT_EQ(uidriver::childWindows(window->handle).size(), 2u) << "the label and the button";
  EXPECT_EQ(GetWindowLongA(button.handle, GWL_STYLE) & BS_DEFPUSHBUTTON, BS_DEFPUSHBUTTON);
  {
    // Another window counts on its own, with no start-up in between.
    TestProgram other;
    other.open(makeBounds(60, 60, 200, 100), "other");
    EXPECT_EQ(other.make<tLabel>(makeBounds(0, 0, 10, 10), "c").id, 1);
  }
  appWindow = window.get();
  EXPECT_EQ(window->make<tLabel>(makeBounds(0, 0, 10, 10), "d").id, 4);
}

TEST_F(Toolkit, DestroyCancelsWithoutReachingTheObject) {
  window->make<tButton>(makeBounds(10, 10, 80, 24), "OK", tButtonKind::defaultPush);
  window->createControls();
  EXPECT_FALSE(window->cancelRequest.requested());
  PostMessageA(window->handle, WM_CLOSE, 0, 0); // the close box
  window->run(false);
  EXPECT_TRUE(window->cancelRequest.requested());
  EXPECT_TRUE(window->loopEnded);
  EXPECT_FALSE(IsWindow(window->handle));
  EXPECT_EQ(std::count(window->seen.begin(), window->seen.end(), UINT(WM_DESTROY)), 0);
  EXPECT_EQ(window->font.get(), nullptr) << "run ends with cleanup";
}

TEST_F(Toolkit, TheLoopDrainsWhatWasQueuedWhenTheFlagWasSet) {
  for (int i = 0; i < 3; ++i)
    PostMessageA(window->handle, countMessage, 0, 0);
  window->run(false); // the first message ends the loop
  EXPECT_EQ(window->counted, 3);
  EXPECT_FALSE(window->cancelRequest.requested()) << "ending the loop is no cancel";
}

TEST_F(Toolkit, ResizeNotifiesOnlyWhenAsked) {
  int resized = 0;
  SetWindowPos(window->handle, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
  window->onResize = [&] { ++resized; };
  SetWindowPos(window->handle, nullptr, 0, 0, 320, 220, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(resized, 1);
}

TEST_F(Toolkit, CancelIsRequestedBeforeItsClickRunsButNotByAnAccelerator) {
  auto& cancel = window->make<tButton>(makeBounds(10, 10, 80, 24), "&Stop", tButtonKind::cancel);
  std::vector<bool> flagAtClick;
  cancel.onClick = [&] {
    flagAtClick.push_back(window->cancelRequest.requested() && window->loopEnded);
  };
  window->createControls();
  SendMessageA(window->handle, WM_COMMAND, MAKEWPARAM(cancel.id, BN_CLICKED),
               LPARAM(cancel.handle));
  window->cancelRequest = {};
  window->loopEnded = false;
  SendMessageA(cancel.handle, WM_SYSCHAR, 's', 0x201F0001);
  EXPECT_EQ(flagAtClick, (std::vector<bool>{true, false}));
}

TEST_F(Toolkit, AFontSetAfterCreateControlsIsTakenAndTheDrawnOneStaysValid) {
  // One label with a font of its own, one on the window's default font; both
  // get a new font after createControls has applied theirs.
  auto& own = window->make<tLabel>(makeBounds(10, 10, 200, 20), "Own");
  auto& plain = window->make<tLabel>(makeBounds(10, 40, 200, 20), "Plain");
  own.setFont({"Arial", 14, 0, true, false});
  window->createControls();
  auto drawnWith = [](const tComponent& c) {
    return HFONT(SendMessageA(c.handle, WM_GETFONT, 0, 0));
  };
  ASSERT_EQ(drawnWith(own), own.font.get());
  ASSERT_EQ(drawnWith(plain), window->font.get());
  for (tLabel* label : {&own, &plain}) {
    label->setFont({"Arial", 20, 0, false, true});
    LOGFONTA log = {};
    // A deleted font has no object to read.
    ASSERT_EQ(GetObjectA(drawnWith(*label), sizeof log, &log), int(sizeof log));
    EXPECT_EQ(log.lfHeight, -20);
    EXPECT_TRUE(log.lfItalic);
    EXPECT_EQ(drawnWith(*label), label->font.get());
  }
  LOGFONTA log = {};
  EXPECT_EQ(GetObjectA(window->font.get(), sizeof log, &log), int(sizeof log))
      << "the window's default font stays for the other controls";
}

} // namespace
} // namespace toolkit
