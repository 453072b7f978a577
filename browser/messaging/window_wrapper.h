// `window`: one native window handle and the window operations on it, each a single
// call of the window system. The handle is not owned: nothing is closed when it goes.
#pragma once

#include <cstdint>
#include <string>

#include "hosts/window_system.h"

namespace zor::messaging {

class Window {
 public:
  explicit Window(hosts::WindowSystem& system) : system_(system) {}

  std::uint32_t Handle = 0;

  std::int32_t DrawWindowMenuBar();
  std::int32_t SetWindowMenu(std::uint32_t menu);
  std::uint32_t GetWindowMenu();
  std::int32_t SetText(const std::string& text);
  // At most 254 bytes of legacy width (the 255-byte buffer and its terminator), never
  // cut inside a character.
  std::string GetText();
  std::string GetWindowClassName();
  std::int32_t GetTop();
  std::int32_t GetLeft();
  // The right and bottom edges, not the width and height.
  std::int32_t GetWidth();
  std::int32_t GetHeight();
  std::uint32_t GetFromXY(std::int32_t x, std::int32_t y);
  std::int32_t Terminate();
  std::int32_t Minimize();
  std::int32_t Destroy();
  std::uint32_t SetWindowParent(std::uint32_t parent);
  std::int32_t Flash();
  std::int32_t BringToTop();
  void Move(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, std::int16_t repaint);
  std::uint32_t GetChildWindow(std::uint32_t window);
  std::uint32_t NextWindow(std::uint32_t window);
  std::uint32_t DesktopWindow();

 private:
  hosts::WindowSystem::Rect Rect();
  hosts::WindowSystem& system_;
};

}  // namespace zor::messaging
