#include "browser/messaging/window_wrapper.h"

#include "common/text_width.h"

namespace zor::messaging {

namespace {
constexpr int kTextBuffer = 255;
}

hosts::WindowSystem::Rect Window::Rect() {
  hosts::WindowSystem::Rect rect;
  if (!system_.GetRect(Handle, rect)) rect = {};
  return rect;
}

std::int32_t Window::DrawWindowMenuBar() { return system_.DrawMenuBar(Handle) ? 1 : 0; }
std::int32_t Window::SetWindowMenu(std::uint32_t menu) { return system_.SetMenu(Handle, menu) ? 1 : 0; }
std::uint32_t Window::GetWindowMenu() { return system_.Menu(Handle); }
std::int32_t Window::SetText(const std::string& text) { return system_.SetText(Handle, text) ? 1 : 0; }
std::string Window::GetText() { return CutToWidth(system_.Text(Handle), kTextBuffer - 1); }
std::string Window::GetWindowClassName() { return CutToWidth(system_.ClassName(Handle), kTextBuffer - 1); }
std::int32_t Window::GetTop() { return Rect().top; }
std::int32_t Window::GetLeft() { return Rect().left; }
std::int32_t Window::GetWidth() { return Rect().right; }
std::int32_t Window::GetHeight() { return Rect().bottom; }
std::uint32_t Window::GetFromXY(std::int32_t x, std::int32_t y) { return system_.FromPoint(x, y); }
std::int32_t Window::Terminate() { return system_.Close(Handle); }
std::int32_t Window::Minimize() { return system_.Minimize(Handle) ? 1 : 0; }
std::int32_t Window::Destroy() { return system_.Destroy(Handle) ? 1 : 0; }
std::uint32_t Window::SetWindowParent(std::uint32_t parent) { return system_.SetParent(Handle, parent); }
std::int32_t Window::Flash() { return system_.Flash(Handle) ? 1 : 0; }
std::int32_t Window::BringToTop() { return system_.BringToTop(Handle) ? 1 : 0; }

void Window::Move(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, std::int16_t repaint) {
  system_.Move(Handle, x, y, width, height, repaint != 0);
}

std::uint32_t Window::GetChildWindow(std::uint32_t window) { return system_.FirstChild(window); }
std::uint32_t Window::NextWindow(std::uint32_t window) { return system_.Next(window); }
std::uint32_t Window::DesktopWindow() { return system_.Desktop(); }

}  // namespace zor::messaging
