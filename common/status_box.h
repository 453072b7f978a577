// The browser's status box seen from the other deliverables: the window they write
// whole command strings into ("ZOR_open" + address, "ZOR_close", ...). Setting the
// text runs the browser's change handler before the call returns.
#pragma once

#include <string>

namespace zor {

class StatusBox {
 public:
  virtual ~StatusBox() = default;
  virtual void SetText(const std::string& text) = 0;
  virtual std::string Text() const = 0;
};

}  // namespace zor
