// The toolkit's demo program, started and driven like any program a user
// runs: its window, its controls, a screenshot saved for people to look at,
// and its buttons.
#include "tests/driver/process.h"
#include "tests/driver/screenshot.h"
#include "tests/driver/uidriver.h"
#include "tests/util/wait.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace uidriver;

TEST(ToolkitDemo, ShowsItsControlsAndEndsOnCancel) {
  Process demo = Process::start("\"" + windowsPath(TOOLKIT_DEMO_EXE) + "\"");
  ASSERT_TRUE(demo.running());
  HWND window = waitForWindow(demo.id(), "FORMLESS DEMO", "Toolkit demo", 20000);
  ASSERT_NE(window, nullptr);
  // The window shows before its controls are made.
  std::vector<std::string> captions;
  waitUntil(
      [&] {
        captions.clear();
        for (const WindowInfo& child : childWindows(window))
          captions.push_back(child.className + ":" + child.caption);
        return captions.size() >= 6;
      },
      std::chrono::seconds(20));
  EXPECT_EQ(captions, (std::vector<std::string>{
                          "Static:The formless toolkit",
                          "Static:Buttons, labels, images and a check-list, drawn and routed by "
                          "the toolkit itself. Space, a click in a box or a double click ticks an "
                          "item.",
                          "ListBox:", "Button:Select &all", "Button:OK", "Button:Cancel"}));
  RECT client = {};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 490 - 2 * GetSystemMetrics(SM_CXDLGFRAME));

  // Wait until the picture is on the screen, then keep what a user sees.
  Picture shot;
  auto painted = [&] {
    shot = captureScreen(window);
    std::set<uint32_t> colours(shot.pixels.begin(), shot.pixels.end());
    return colours.size() > 50;
  };
  EXPECT_TRUE(waitUntil(painted, std::chrono::seconds(10)))
      << "the window shows its picture and texts";
  std::string path = std::string(TEST_BINARY_DIR) + "/toolkit-demo.png";
  EXPECT_TRUE(writePng(windowsPath(path), shot));
  std::printf("screenshot: %s\n", path.c_str());

  EXPECT_TRUE(clickControl(window, "Cancel"));
  EXPECT_EQ(demo.wait(20000), 0u);
}

} // namespace
