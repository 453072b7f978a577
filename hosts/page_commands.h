// The page command object: find, source view, the organise-favorites dialog, the
// address book and the offline state, for the page it is attached to.
#pragma once

#include <functional>

namespace zor::hosts {

class PageCommands {
 public:
  virtual ~PageCommands() = default;
  // The page (its index in the page array) the commands work on; re-attached whenever
  // another page becomes active.
  virtual void Attach(int page) = 0;
  virtual int AttachedPage() const = 0;
  // Offline: while on, no page loads anything from the network (file: and about: still work).
  virtual bool Offline() const = 0;
  virtual void SetOffline(bool offline) = 0;
  virtual void ShowFind() = 0;
  virtual void ShowSource() = 0;
  virtual void OrganizeFavorites() = 0;
  virtual void OpenAddressBook() = 0;

  // The favorites organiser belongs to the favorites code; it installs itself here.
  std::function<void()> organizeFavorites;
};

}  // namespace zor::hosts
