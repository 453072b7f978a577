// The window wrapper over a fake window system: the edge quirks of its results.
#include "browser/messaging/window_wrapper.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_hosts.h"

namespace zor::messaging {
namespace {

using fakes::FakeWindowSystem;

TEST(WindowWrapper, WidthAndHeightAreTheRightAndBottomEdges) {
  FakeWindowSystem system;
  Window w(system);
  w.Handle = system.Add("Panel", 1, {100, 50, 400, 250});
  EXPECT_EQ(w.GetLeft(), 100);
  EXPECT_EQ(w.GetTop(), 50);
  EXPECT_EQ(w.GetWidth(), 400);
  EXPECT_EQ(w.GetHeight(), 250);

  // Move takes a width and height, and reads back as edges again.
  w.Move(10, 20, 300, 200, 1);
  EXPECT_EQ(w.GetWidth(), 310);
  EXPECT_EQ(w.GetHeight(), 220);
}

TEST(WindowWrapper, TitleIsCutAtTheBufferWithoutSplittingACharacter) {
  FakeWindowSystem system;
  Window w(system);
  w.Handle = system.Add("");
  EXPECT_EQ(w.GetText(), "");

  // 253 narrow characters and then wide ones: the first wide one would need bytes 254-255.
  const std::string wide = "\xe4\xb8\xad";  // one character of width 2
  system.SetText(w.Handle, std::string(253, 'a') + wide + wide);
  EXPECT_EQ(w.GetText(), std::string(253, 'a'));
  system.SetText(w.Handle, std::string(252, 'a') + wide + wide);
  EXPECT_EQ(w.GetText(), std::string(252, 'a') + wide);

  EXPECT_EQ(w.SetText("Internet Options"), 1);
  EXPECT_EQ(w.GetText(), "Internet Options");
}

TEST(WindowWrapper, WalksTheTopLevelWindowsToTheEnd) {
  FakeWindowSystem system;
  const auto a = system.Add("A");
  const auto b = system.Add("B");
  Window w(system);
  EXPECT_EQ(w.GetChildWindow(w.DesktopWindow()), a);
  EXPECT_EQ(w.NextWindow(a), b);
  EXPECT_EQ(w.NextWindow(b), 0u);
  // The walk does not depend on the instance's own handle.
  w.Handle = b;
  EXPECT_EQ(w.GetChildWindow(w.DesktopWindow()), a);
}

TEST(WindowWrapper, PointParentAndWindowActions) {
  FakeWindowSystem system;
  const auto a = system.Add("A", 1, {0, 0, 100, 100});
  const auto b = system.Add("B", 1, {200, 0, 300, 100});
  Window w(system);
  EXPECT_EQ(w.GetFromXY(250, 50), b);
  EXPECT_EQ(w.GetFromXY(150, 50), 0u);

  w.Handle = b;
  EXPECT_EQ(w.SetWindowParent(a), 0u);
  EXPECT_EQ(w.SetWindowParent(0), a);
  EXPECT_EQ(w.Flash(), 1);
  EXPECT_EQ(system.Find(b)->flashes, 1);
  EXPECT_EQ(w.Minimize(), 1);
  EXPECT_TRUE(system.Find(b)->minimized);
  EXPECT_EQ(w.DrawWindowMenuBar(), 1);
  EXPECT_EQ(w.GetWindowMenu(), 0u);
  EXPECT_EQ(w.Destroy(), 1);
  EXPECT_EQ(system.Find(b), nullptr);
  EXPECT_EQ(w.NextWindow(a), 0u);
}

TEST(WindowWrapper, InvalidHandlesGiveZeroAndEmptyResults) {
  FakeWindowSystem system;
  system.Add("A", 1, {5, 5, 50, 50});
  Window w(system);
  for (std::uint32_t handle : {0u, 999u}) {
    w.Handle = handle;
    EXPECT_EQ(w.GetText(), "");
    EXPECT_EQ(w.GetWindowClassName(), "");
    EXPECT_EQ(w.GetLeft(), 0);
    EXPECT_EQ(w.GetTop(), 0);
    EXPECT_EQ(w.GetWidth(), 0);
    EXPECT_EQ(w.GetHeight(), 0);
    EXPECT_EQ(w.SetText("x"), 0);
    EXPECT_EQ(w.Flash(), 0);
    EXPECT_EQ(w.Minimize(), 0);
    EXPECT_EQ(w.Destroy(), 0);
    EXPECT_EQ(w.BringToTop(), 0);
    EXPECT_EQ(w.DrawWindowMenuBar(), 0);
    EXPECT_EQ(w.SetWindowParent(1), 0u);
    EXPECT_EQ(w.NextWindow(handle), 0u);
  }
  EXPECT_EQ(system.windows.size(), 1u);
}

}  // namespace
}  // namespace zor::messaging
