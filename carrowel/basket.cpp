#include "carrowel/basket.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "carrowel/link_list.h"
#include "common/files.h"
#include "common/ini_text.h"
#include "common/program_paths.h"

namespace zor::carrowel {

namespace {

constexpr const char* kSection = "ZORBasket";

// Why a file cannot be read, in the system's words.
std::string ReadFailure(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return std::strerror(EISDIR);
  return std::strerror(EIO);
}

}  // namespace

const std::vector<MenuItem> kPopupMenu = {
    {"b_open", "Open", "打开(&Open)", true},
    {"b_CopyOne", "Copyone", "复制到剪切板(&Copyt to clipboard)", true},
    {"b_Copyall", "Copyall", "复制所有到剪切板(Copy &all to clipboard)", false},
    {"-", "", "", false},
    {"b_saveone", "Saveone", "保存选中项(&Save)", true},
    {"b_saveall", "Saveall", "保存所有项(Sa&ve all)", false},
    {"-", "", "", false},
    {"b_delone", "Delone", "删除选中项(&Del)", true},
    {"b_delall", "Delall", "删除所有项(D&el all)", false},
    {"-", "", "", false},
    {"b_load", "Load", "载入(&Load from)", false},
    {"-", "", "", false},
    {"b_Exit", "Exit", "退出(E&XIT)", false},
};

Basket::Basket(const BasketEnvironment& env) : env_(env) {
  const IniTextSource lng(LngPath());
  // A language file without the key keeps the built-in caption: an item without a
  // caption could not be found.
  for (const MenuItem& item : kPopupMenu) {
    std::string caption = item.key[0] ? lng.Read(kSection, item.key) : std::string();
    menu_captions_.push_back(caption.empty() ? item.caption : caption);
  }
  CaptionText = lng.Read(kSection, "lbl_Caption") + "   ";
  lbl_Caption = CaptionText;
  if (env_.makeView) view_ = env_.makeView(*this);
  if (view_) view_->Show();
}

Basket::~Basket() = default;

std::string Basket::LngPath() const { return ProgramPaths::ForLibraryFolder(env_.library_folder).Writable("lng.ini"); }

std::string Basket::SavedFilesFolder() const {
  return ProgramPaths::ForLibraryFolder(env_.library_folder).Writable("SavedFiles/");
}

std::string Basket::Text(const char* key) const { return ReadIniText(LngPath(), kSection, key); }

void Basket::Updated() {
  if (view_ && !closed_) view_->Update();
}

void Basket::Send(const std::string& command) {
  if (texthwnd) texthwnd->SetText(command);
}

void Basket::Expand() {
  if (expanded) return;
  expanded = true;
  Updated();
}

void Basket::Collapse() {
  expanded = false;
  lbl_Caption = CaptionText;
  Updated();
}

void Basket::DropText(const std::string& text) {
  List1.push_back(text);
  Updated();
}

void Basket::DropFiles(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  const std::string folder = SavedFilesFolder();
  for (const std::string& path : paths) {
    const std::string copy = folder + std::filesystem::path(path).filename().string();
    std::error_code ignored;  // a failed copy is listed all the same
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing, ignored);
    List1.push_back(copy);
  }
  expanded = true;
  lbl_Caption = " File Saved!";
  Updated();
}

void Basket::Select(const std::set<int>& entries, int current_entry) {
  selected.clear();
  for (int i : entries)
    if (i >= 0 && i < static_cast<int>(List1.size())) selected.insert(i);
  current = current_entry >= 0 && current_entry < static_cast<int>(List1.size()) ? current_entry : -1;
}

bool Basket::ItemCommandsEnabled() const { return !List1.empty() && !selected.empty(); }

void Basket::DeleteKey() {
  if (current < 0 || current >= static_cast<int>(List1.size())) return;
  const int removed = current;
  List1.erase(List1.begin() + removed);
  selected.clear();
  current = -1;
  if (!List1.empty()) {
    current = removed > 0 ? removed - 1 : 0;
    selected.insert(current);
  }
  Updated();
}

std::vector<std::string> Basket::SelectedEntries() const {
  std::vector<std::string> out;
  for (int i : selected) out.push_back(List1[static_cast<size_t>(i)]);
  return out;
}

bool Basket::Command(const std::string& item) {
  for (const MenuItem& entry : kPopupMenu)
    if (item == entry.name && entry.per_item && !ItemCommandsEnabled()) return false;
  if (item == "b_open") {
    Open();
  } else if (item == "b_CopyOne") {
    CopyOne();
  } else if (item == "b_Copyall") {
    CopyAll();
  } else if (item == "b_saveone" || item == "b_saveall" || item == "b_load") {
    if (!view_) return false;
    const std::optional<std::string> file = view_->ChooseFile(item != "b_load");
    if (!file || file->empty()) return true;
    if (item == "b_saveone")
      SaveSelectedTo(*file);
    else if (item == "b_saveall")
      SaveAllTo(*file);
    else
      LoadFrom(*file);
  } else if (item == "b_delone") {
    DelOne();
  } else if (item == "b_delall") {
    DelAll();
  } else if (item == "b_Exit") {
    Exit();
  } else {
    return false;
  }
  return true;
}

void Basket::Open() {
  // Each command is carried out, and the box cleared, before the next is written. The
  // selection is copied: a page opening may run the basket's own events.
  for (const std::string& entry : SelectedEntries()) Send("ZOR_open" + entry);
}

void Basket::CopyOne() {
  if (view_) view_->SetClipboard(JoinEntries(SelectedEntries()));
}

void Basket::CopyAll() {
  if (!List1.empty()) current = static_cast<int>(List1.size()) - 1;
  if (view_) view_->SetClipboard(JoinEntries(List1));
}

void Basket::DelOne() {
  std::vector<std::string> kept;
  for (size_t i = 0; i < List1.size(); ++i)
    if (!selected.count(static_cast<int>(i))) kept.push_back(List1[i]);
  List1 = std::move(kept);
  selected.clear();
  current = -1;
  Updated();
}

void Basket::DelAll() {
  List1.clear();
  selected.clear();
  current = -1;
  Updated();
}

void Basket::Exit() {
  Send("ZOR_close");
  Close();
}

bool Basket::Write(const std::string& path, const std::string& text) {
  std::string error;
  if (WriteFileAtomic(path, text, &error)) return true;
  std::string message = Text("msgWriteFailed");
  if (message.empty()) message = "{E}";
  ReplaceAll(message, "{P}", path);
  ReplaceAll(message, "{E}", error);
  if (view_) view_->Message(message);
  return false;
}

bool Basket::SaveSelectedTo(const std::string& path) {
  const std::string text = JoinEntries(SelectedEntries());
  if (text.empty()) return true;
  return Write(path, text + "\r\n");
}

bool Basket::SaveAllTo(const std::string& path) {
  std::string text;
  for (size_t i = 0; i < List1.size(); ++i) text += (i ? "\r\n" : "") + List1[i];
  if (!List1.empty()) current = static_cast<int>(List1.size()) - 1;
  return Write(path, text + "\r\n");
}

bool Basket::LoadFrom(const std::string& path) {
  const std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) {
    std::string message = Text("msgReadFailed");
    if (message.empty()) message = "{P}: {E}";
    ReplaceAll(message, "{P}", path);
    ReplaceAll(message, "{E}", ReadFailure(path));
    if (view_) view_->Message(message);
    return false;
  }
  for (std::string& entry : ParseLinkList(*bytes)) List1.push_back(std::move(entry));
  Updated();
  return true;
}

void Basket::Close() {
  if (closed_) return;
  closed_ = true;
  List1.clear();
  selected.clear();
  current = -1;
  if (view_) view_->Close();
}

BasketEnvironment& Environment() {
  static BasketEnvironment env;
  return env;
}

namespace {
// Never destroyed at process end: its window belongs to a toolkit that is gone by then.
Basket* g_basket = nullptr;
}  // namespace

Basket* OpenBasket() { return g_basket && !g_basket->Closed() ? g_basket : nullptr; }

BasketObject::BasketObject() {
  if (OpenBasket()) return;
  delete g_basket;
  g_basket = new Basket(Environment());
}

bool BasketObject::Invoke(const std::string& name, const std::vector<DispatchValue>& args, DispatchValue* result) {
  if (result) *result = std::monostate{};
  if (name == "TransHWND") {
    Basket* basket = OpenBasket();
    if (basket && !args.empty()) {
      if (StatusBox* const* box = std::get_if<StatusBox*>(&args[0])) basket->texthwnd = *box;
    }
    return true;
  }
  if (name == "gameover") {
    if (Basket* basket = OpenBasket()) basket->Close();
    return true;
  }
  return false;
}

}  // namespace zor::carrowel
