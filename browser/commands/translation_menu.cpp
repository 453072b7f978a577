#include "browser/commands/translation_menu.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "browser/commands/band_tools.h"
#include "browser/shell/address.h"
#include "common/files.h"
#include "common/ini_text.h"

namespace zor::commands {

namespace {

constexpr const char* kBand = "sub_Trans";
constexpr const char* kPrefix = "transeg";
constexpr int kBaseId = 1400;
// Far beyond what kMaxServices lines of addresses take.
constexpr std::streamsize kMaxReadBytes = 1 << 20;

// The head of the file up to its last whole line within the read cap; nullopt when it
// cannot be opened.
std::optional<std::string> ReadListHead(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  // Room for the file as it is, not for the cap: the list is read at every start.
  const std::streamoff size = in.tellg();
  in.seekg(0);
  const std::streamsize room = size > 0 ? std::min<std::streamsize>(size, kMaxReadBytes) : kMaxReadBytes;
  std::string bytes(static_cast<size_t>(room), '\0');
  in.read(bytes.data(), room);
  bytes.resize(static_cast<size_t>(in.gcount()));
  if (in.gcount() == kMaxReadBytes && in.peek() != std::char_traits<char>::eof()) {
    const size_t last_end = bytes.rfind('\n');
    bytes.resize(last_end == std::string::npos ? 0 : last_end + 1);
  }
  return bytes;
}

}  // namespace

void TranslationMenu::Install() {
  c_.hooks.buildTranslationMenu = [this] { BuildTranslationMenu(); };
  c_.commandHooks.getTranslationUrl = [this](int service, const std::string& address) {
    return GetTranslationUrl(service, address);
  };
  c_.commandHooks.editTranslationList = [this] { EditTranslationList(); };
}

void TranslationMenu::BuildTranslationMenu() {
  AddBandTool(c_.ab_Main, kBand, "b_orgtrans", 1398, "0", ReadIniText(c_.files.LngFile(), "ZOR_Main", "b_orgtrans"));
  AddBandTool(c_.ab_Main, kBand, "spe_sTans1", 1399, "5", "");
  templates_.clear();
  LoadTranslationList(kListFile, kBand, kPrefix, kBaseId);
}

std::string TranslationMenu::ListFile(const std::string& file_name) const {
  const std::string usual = c_.files.Paths().Writable(file_name);
  const std::string folder = usual.substr(0, usual.rfind('/') + 1);
  if (FileExists(usual)) return usual;
  if (const auto entries = ListFolder(folder))
    for (const FolderEntry& entry : *entries)
      if (entry.regular && SameIgnoringAsciiCase(entry.name, file_name)) return folder + entry.name;
  return usual;
}

void TranslationMenu::Tell(const char* key, const std::string& fallback, const std::string& path, int line) const {
  std::string text = ReadIniText(c_.files.LngFile(), "ZOR_Main", key);
  if (text.empty()) text = fallback;
  ReplaceAll(text, "{F}", path);
  ReplaceAll(text, "{L}", std::to_string(line));
  c_.window.MessageBox(text, hosts::MessageButtons::kOk, "");
}

void TranslationMenu::LoadTranslationList(const std::string& file_name, const std::string& band,
                                          const std::string& prefix, int base_id) {
  const std::string path = ListFile(file_name);
  const std::optional<std::string> bytes = ReadListHead(path);
  if (!bytes) {
    Tell("msg_TranslistMissing", "Cannot find the translation list {F}.", path);
    return;
  }
  const std::string text = DecodeLegacyText(*bytes);
  int services = 0;
  int separators = 0;
  int line_number = 0;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + at, end - at);
    at = end + 1;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    if (line.empty()) {
      if (separators == kMaxSeparators) break;
      ++separators;
      AddBandTool(c_.ab_Main, band, "spe_sTrans" + std::to_string(separators), 1900 + separators, "5", "");
      continue;
    }
    const size_t bar = line.find('|');
    if (bar == std::string_view::npos) {
      Tell("msg_TranslistBadLine", "Line {L} of the translation list {F} has no \"|\" after the service name.", path,
           line_number);
      return;
    }
    if (services == kMaxServices) break;
    ++services;
    templates_.emplace_back(line.substr(bar + 1));
    AddBandTool(c_.ab_Main, band, prefix + std::to_string(services), base_id + services, "0",
                std::string(line.substr(0, bar)), c_.PageIconImage);
  }
}

std::string TranslationMenu::GetTranslationUrl(int service, const std::string& address) const {
  if (service < 1 || static_cast<size_t>(service) > templates_.size())
    throw std::out_of_range("no translation service " + std::to_string(service));
  const std::string& pattern = templates_[static_cast<size_t>(service) - 1];
  const std::string encoded = shell::PercentEncode(address);
  constexpr std::string_view kPlaceholder = "{url}";
  std::string out;
  size_t copied = 0;
  for (size_t i = 0; i + kPlaceholder.size() <= pattern.size();) {
    if (SameIgnoringAsciiCase(std::string_view(pattern).substr(i, kPlaceholder.size()), kPlaceholder)) {
      out.append(pattern, copied, i - copied);
      out += encoded;
      i += kPlaceholder.size();
      copied = i;
    } else {
      ++i;
    }
  }
  return out + pattern.substr(copied);
}

void TranslationMenu::EditTranslationList() {
  const std::string path = ListFile();
  // The editor gets a file to save into even when the list was never made.
  if (!FileExists(path)) WriteFileAtomic(path, "");
  if (open_in_editor_) open_in_editor_(path);
}

}  // namespace zor::commands
