#include "formats.hpp"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>

namespace gen {
namespace {

void put16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& out, std::uint32_t v) {
  put16(out, v & 0xffff);
  put16(out, v >> 16);
}
void putTag(Bytes& out, const char (&tag)[5]) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

void putInfoHeader(Bytes& out, int width, int height, int bits, std::uint32_t imageSize) {
  put32(out, 40);
  put32(out, static_cast<std::uint32_t>(width));
  put32(out, static_cast<std::uint32_t>(height));
  put16(out, 1);  // planes
  put16(out, static_cast<std::uint32_t>(bits));
  put32(out, 0);  // BI_RGB
  put32(out, imageSize);
  put32(out, 2835);  // 72 dpi
  put32(out, 2835);
  put32(out, 0);
  put32(out, 0);
}

Bytes icoImage(const Canvas& c) {
  const int w = c.width(), h = c.height();
  const int maskStride = (w + 31) / 32 * 4;
  Bytes out;
  putInfoHeader(out, w, 2 * h, 32, static_cast<std::uint32_t>(w * h * 4 + maskStride * h));
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      const Rgba p = c.at(x, y);
      const std::uint8_t a = to8(p.a);
      out.push_back(a ? to8(p.b) : 0);
      out.push_back(a ? to8(p.g) : 0);
      out.push_back(a ? to8(p.r) : 0);
      out.push_back(a);
    }
  }
  for (int y = h - 1; y >= 0; --y) {
    Bytes row(static_cast<std::size_t>(maskStride), 0);
    for (int x = 0; x < w; ++x) {
      if (to8(c.at(x, y).a) == 0) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

using Rgb = std::array<std::uint8_t, 3>;

// Median cut over the weighted colour set, at most `limit` colours.
std::vector<Rgb> medianCut(const std::map<Rgb, int>& histogram, std::size_t limit) {
  struct Entry {
    Rgb c;
    int n;
  };
  using Box = std::vector<Entry>;
  std::vector<Box> boxes(1);
  for (const auto& [c, n] : histogram) boxes[0].push_back({c, n});

  auto widest = [](const Box& box, int& channel) {
    int best = -1;
    for (int ch = 0; ch < 3; ++ch) {
      const auto [lo, hi] = std::minmax_element(box.begin(), box.end(),
          [ch](const Entry& a, const Entry& b) { return a.c[ch] < b.c[ch]; });
      if (hi->c[ch] - lo->c[ch] > best) best = hi->c[ch] - lo->c[ch], channel = ch;
    }
    return best;
  };

  while (boxes.size() < limit) {
    std::size_t pick = boxes.size();
    int pickRange = 0, pickChannel = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      int ch = 0;
      const int range = boxes[i].size() > 1 ? widest(boxes[i], ch) : 0;
      if (range > pickRange) pick = i, pickRange = range, pickChannel = ch;
    }
    if (pick == boxes.size()) break;  // every box is a single colour
    Box& box = boxes[pick];
    std::sort(box.begin(), box.end(), [pickChannel](const Entry& a, const Entry& b) {
      return a.c[pickChannel] != b.c[pickChannel] ? a.c[pickChannel] < b.c[pickChannel] : a.c < b.c;
    });
    long total = 0;
    for (const Entry& e : box) total += e.n;
    long seen = 0;
    std::size_t cut = 1;
    for (; cut < box.size(); ++cut) {
      seen += box[cut - 1].n;
      if (2 * seen >= total) break;
    }
    cut = std::min(cut, box.size() - 1);
    Box upper(box.begin() + static_cast<long>(cut), box.end());
    box.resize(cut);
    boxes.push_back(std::move(upper));
  }

  std::vector<Rgb> palette;
  for (const Box& box : boxes) {
    double r = 0, g = 0, b = 0, n = 0;
    for (const Entry& e : box) r += e.c[0] * e.n, g += e.c[1] * e.n, b += e.c[2] * e.n, n += e.n;
    palette.push_back({static_cast<std::uint8_t>(std::lround(r / n)), static_cast<std::uint8_t>(std::lround(g / n)),
                       static_cast<std::uint8_t>(std::lround(b / n))});
  }
  return palette;
}

// Variable-width LZW as GIF uses it: codes LSB first, clear code on a full table.
Bytes lzw(const std::vector<std::uint8_t>& indices, int minCodeSize) {
  const int clear = 1 << minCodeSize, end = clear + 1;
  Bytes out;
  std::uint32_t acc = 0;
  int bits = 0, codeSize = minCodeSize + 1, next = end + 1;
  auto emit = [&](int code) {
    acc |= static_cast<std::uint32_t>(code) << bits;
    bits += codeSize;
    while (bits >= 8) {
      out.push_back(static_cast<std::uint8_t>(acc));
      acc >>= 8;
      bits -= 8;
    }
  };
  std::vector<std::int16_t> table(4096 * 256, -1);  // (prefix code, byte) -> code
  emit(clear);
  int prefix = indices.empty() ? -1 : indices[0];
  for (std::size_t i = 1; i < indices.size(); ++i) {
    const std::uint8_t k = indices[i];
    std::int16_t& slot = table[static_cast<std::size_t>(prefix) * 256 + k];
    if (slot >= 0) {
      prefix = slot;
      continue;
    }
    emit(prefix);
    if (next < 4096) {
      slot = static_cast<std::int16_t>(next++);
      if (next > (1 << codeSize) && codeSize < 12) ++codeSize;
    } else {
      emit(clear);
      std::fill(table.begin(), table.end(), -1);
      next = end + 1;
      codeSize = minCodeSize + 1;
    }
    prefix = k;
  }
  if (prefix >= 0) emit(prefix);
  emit(end);
  if (bits > 0) out.push_back(static_cast<std::uint8_t>(acc));
  return out;
}

}  // namespace

Bytes encodeIco(const std::vector<const Canvas*>& images) {
  std::vector<Bytes> payloads;
  for (const Canvas* c : images) payloads.push_back(icoImage(*c));
  Bytes out;
  put16(out, 0);
  put16(out, 1);  // icon
  put16(out, static_cast<std::uint32_t>(images.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(images[i]->width() % 256));
    out.push_back(static_cast<std::uint8_t>(images[i]->height() % 256));
    out.push_back(0);  // no palette
    out.push_back(0);
    put16(out, 1);
    put16(out, 32);
    put32(out, static_cast<std::uint32_t>(payloads[i].size()));
    put32(out, offset);
    offset += static_cast<std::uint32_t>(payloads[i].size());
  }
  for (const Bytes& p : payloads) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes encodeBmp24(const Canvas& c, Rgba matte) {
  const int w = c.width(), h = c.height();
  const int stride = (w * 3 + 3) / 4 * 4;
  const auto imageSize = static_cast<std::uint32_t>(stride * h);
  Bytes out;
  out.push_back('B');
  out.push_back('M');
  put32(out, 54 + imageSize);
  put32(out, 0);
  put32(out, 54);
  putInfoHeader(out, w, h, 24, imageSize);
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      const Rgba p = c.at(x, y);
      const Rgba q = mix(matte, withAlpha(p, 1), p.a);
      out.push_back(to8(q.b));
      out.push_back(to8(q.g));
      out.push_back(to8(q.r));
    }
    out.insert(out.end(), static_cast<std::size_t>(stride - w * 3), 0);
  }
  return out;
}

Bytes encodeWav(const std::vector<std::int16_t>& samples, int rate) {
  const auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
  Bytes out;
  putTag(out, "RIFF");
  put32(out, 36 + dataSize);
  putTag(out, "WAVE");
  putTag(out, "fmt ");
  put32(out, 16);
  put16(out, 1);  // PCM
  put16(out, 1);  // mono
  put32(out, static_cast<std::uint32_t>(rate));
  put32(out, static_cast<std::uint32_t>(rate * 2));
  put16(out, 2);
  put16(out, 16);
  putTag(out, "data");
  put32(out, dataSize);
  for (std::int16_t s : samples) put16(out, static_cast<std::uint16_t>(s));
  return out;
}

Bytes encodeGif(const Canvas& c, Rgba matte, double cutoff) {
  const int w = c.width(), h = c.height();
  constexpr std::uint8_t kTransparent = 255;
  std::vector<Rgb> flat(static_cast<std::size_t>(w) * h);
  std::vector<bool> clear(flat.size());
  std::map<Rgb, int> histogram;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      const Rgba p = c.at(x, y);
      if (p.a < cutoff) {
        clear[i] = true;
        continue;
      }
      const Rgba q = mix(matte, withAlpha(p, 1), p.a);
      flat[i] = {to8(q.r), to8(q.g), to8(q.b)};
      ++histogram[flat[i]];
    }
  }
  const std::vector<Rgb> palette = medianCut(histogram, 255);
  std::map<Rgb, std::uint8_t> nearest;
  for (const auto& [col, n] : histogram) {
    long best = -1;
    for (std::size_t k = 0; k < palette.size(); ++k) {
      long d = 0;
      for (int ch = 0; ch < 3; ++ch) d += (col[ch] - palette[k][ch]) * (col[ch] - palette[k][ch]);
      if (best < 0 || d < best) best = d, nearest[col] = static_cast<std::uint8_t>(k);
    }
  }
  std::vector<std::uint8_t> indices(flat.size());
  for (std::size_t i = 0; i < flat.size(); ++i) indices[i] = clear[i] ? kTransparent : nearest[flat[i]];

  Bytes out;
  out.insert(out.end(), {'G', 'I', 'F', '8', '9', 'a'});
  put16(out, static_cast<std::uint32_t>(w));
  put16(out, static_cast<std::uint32_t>(h));
  out.push_back(0xF7);  // global table of 256 entries, 8-bit colour resolution
  out.push_back(kTransparent);
  out.push_back(0);
  for (int k = 0; k < 256; ++k) {
    const Rgb col = k < static_cast<int>(palette.size()) ? palette[k] : Rgb{};
    out.insert(out.end(), col.begin(), col.end());
  }
  out.insert(out.end(), {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, kTransparent, 0x00});
  out.push_back(0x2C);
  put16(out, 0);
  put16(out, 0);
  put16(out, static_cast<std::uint32_t>(w));
  put16(out, static_cast<std::uint32_t>(h));
  out.push_back(0);  // no local table, not interlaced
  out.push_back(8);  // minimum code size
  const Bytes data = lzw(indices, 8);
  for (std::size_t i = 0; i < data.size(); i += 255) {
    const std::size_t n = std::min<std::size_t>(255, data.size() - i);
    out.push_back(static_cast<std::uint8_t>(n));
    out.insert(out.end(), data.begin() + static_cast<long>(i), data.begin() + static_cast<long>(i + n));
  }
  out.push_back(0);
  out.push_back(0x3B);
  return out;
}

bool writeFile(const std::string& path, const Bytes& bytes) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

}  // namespace gen
