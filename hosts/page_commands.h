// The page command object: find, source view, the organise-favorites dialog, the
// address book and the offline state, for the page it is attached to.
#pragma once

namespace zor::hosts {

class PageCommands {
 public:
  virtual ~PageCommands() = default;
  virtual void Attach(int page) = 0;
  virtual bool Offline() const = 0;
  virtual void SetOffline(bool offline) = 0;
  virtual void ShowFind() = 0;
  virtual void ShowSource() = 0;
  virtual void OrganizeFavorites() = 0;
  virtual void OpenAddressBook() = 0;
};

}  // namespace zor::hosts
