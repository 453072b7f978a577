// Parses arbitrary bytes as an INI document, sets one value and checks that
// rewriting loses nothing: the text survives a parse byte for byte, the value
// set reads back trimmed (also after a re-parse), and every other value stays.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>

#include "common/ini.h"
#include "common/text_width.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

using Snapshot = std::map<std::pair<std::string, std::string>, std::string>;

Snapshot TakeSnapshot(const zor::IniDocument& doc) {
  Snapshot snap;
  int sections = 0;
  for (const std::string& s : doc.Sections()) {
    if (++sections > 32) break;
    int keys = 0;
    for (const std::string& k : doc.Keys(s)) {
      if (++keys > 32) break;
      const std::optional<std::string> v = doc.Get(s, k);
      Check(v.has_value());
      snap[{Lower(s), Lower(k)}] = *v;
    }
  }
  return snap;
}

void CheckText(std::string_view text, int budget) {
  const std::string valid = zor::ToValidUtf8(text);
  Check(zor::IsValidUtf8(valid));
  Check(zor::IsValidUtf8(text) == (valid == text));
  const std::string cut = zor::CutToWidth(text, budget);
  Check(text.substr(0, cut.size()) == cut && zor::LegacyWidth(cut) <= std::max(budget, 0));
  const std::string shortened = zor::ShortenText(text, budget);
  if (budget > 0 && zor::LegacyWidth(text) > budget) {
    Check(shortened.size() >= 4 && shortened.substr(shortened.size() - 4) == " ...");
    const std::string_view kept = std::string_view(shortened).substr(0, shortened.size() - 4);
    Check(text.substr(0, kept.size()) == kept && zor::LegacyWidth(kept) < budget);
  } else if (budget > 0) {
    Check(shortened == text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const uint8_t mode = in.ConsumeIntegral<uint8_t>();
  const int budget = in.ConsumeIntegralInRange<int>(-2, 60);
  std::string section = in.ConsumeRandomLengthString(24);
  std::string key = in.ConsumeRandomLengthString(24);
  const std::string value = in.ConsumeRandomLengthString(64);
  const std::string text = in.ConsumeRemainingBytesAsString();

  CheckText(text, budget);
  CheckText(value, budget);

  zor::IniDocument doc = zor::IniDocument::Parse(text);
  Check(doc.Serialize() == text);
  const Snapshot before = TakeSnapshot(doc);

  // Often aim at names that exist, so replacing is exercised as well as adding.
  if ((mode & 1) && !before.empty()) {
    auto it = before.begin();
    std::advance(it, static_cast<long>((mode >> 1) % before.size()));
    section = it->first.first;
    if (mode & 0x40) key = it->first.second;
  }

  const bool ok = doc.Set(section, key, value);
  const std::string written = doc.Serialize();
  if (!ok) {
    Check(written == text);
    return 0;
  }
  const std::string_view expected = Trim(std::string_view(value).substr(
      0, value.find_first_of(std::string_view("\r\n\0", 3))));
  Check(doc.Get(section, key) == std::string(expected));

  const zor::IniDocument again = zor::IniDocument::Parse(written);
  Check(again.Serialize() == written);
  Check(again.Get(section, key) == std::string(expected));
  const std::pair<std::string, std::string> changed{Lower(Trim(section)), Lower(Trim(key))};
  for (const auto& [names, old_value] : before) {
    if (names == changed) continue;
    Check(again.Get(names.first, names.second) == old_value);
  }
  return 0;
}
