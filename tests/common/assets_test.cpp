// The generated pictures and sound of the program folder: each file is parsed structurally
// (every size and offset checked against the file) and its content checked for meaning.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <numbers>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readProgramFile(const std::string& name) {
  const std::string path = std::string(ZOR_PROGRAM_DIR) + "/" + name;
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("missing " + path);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

// Bounds-checked little-endian reader.
class Reader {
 public:
  explicit Reader(const Bytes& b) : b_(b) {}
  std::uint32_t u8(std::size_t at) const { return at_(at, 1)[0]; }
  std::uint32_t u16(std::size_t at) const {
    const std::uint8_t* p = at_(at, 2);
    return p[0] | p[1] << 8;
  }
  std::uint32_t u32(std::size_t at) const {
    const std::uint8_t* p = at_(at, 4);
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  }
  std::int32_t s32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
  std::string tag(std::size_t at) const {
    const std::uint8_t* p = at_(at, 4);
    return std::string(p, p + 4);
  }
  std::size_t size() const { return b_.size(); }

 private:
  const std::uint8_t* at_(std::size_t at, std::size_t n) const {
    if (at + n > b_.size()) throw std::runtime_error("read past the end at " + std::to_string(at));
    return b_.data() + at;
  }
  const Bytes& b_;
};

struct Pixel {
  std::uint8_t r, g, b, a;
  bool operator==(const Pixel&) const = default;
};

struct Image {
  int width = 0, height = 0;
  std::vector<Pixel> px;  // top-down rows
  const Pixel& at(int x, int y) const { return px[static_cast<std::size_t>(y) * width + x]; }
};

// ---- ICO ----

std::vector<Image> parseIco(const Bytes& file) {
  const Reader r(file);
  if (r.u16(0) != 0 || r.u16(2) != 1) throw std::runtime_error("not an icon directory");
  const std::uint32_t count = r.u16(4);
  if (count == 0) throw std::runtime_error("empty icon");
  std::vector<Image> images;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> spans;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t e = 6 + 16 * i;
    const int w = r.u8(e) ? static_cast<int>(r.u8(e)) : 256;
    const int h = r.u8(e + 1) ? static_cast<int>(r.u8(e + 1)) : 256;
    EXPECT_EQ(r.u16(e + 4), 1u) << "planes";
    EXPECT_EQ(r.u16(e + 6), 32u) << "bit count";
    const std::uint32_t size = r.u32(e + 8), offset = r.u32(e + 12);
    if (offset < 6 + 16 * count || offset + size > file.size()) throw std::runtime_error("image outside the file");
    spans.emplace_back(offset, offset + size);

    // BITMAPINFOHEADER with the doubled height of XOR + AND.
    if (r.u32(offset) != 40) throw std::runtime_error("not a BITMAPINFOHEADER payload");
    EXPECT_EQ(r.s32(offset + 4), w);
    EXPECT_EQ(r.s32(offset + 8), 2 * h);
    EXPECT_EQ(r.u16(offset + 12), 1u);
    EXPECT_EQ(r.u16(offset + 14), 32u);
    EXPECT_EQ(r.u32(offset + 16), 0u) << "compression";
    const std::uint32_t maskStride = (w + 31) / 32 * 4;
    const std::uint32_t xorSize = static_cast<std::uint32_t>(w * h * 4), andSize = maskStride * h;
    EXPECT_EQ(size, 40 + xorSize + andSize);
    if (40 + xorSize + andSize > size) throw std::runtime_error("pixel data larger than the entry");

    Image img{w, h, std::vector<Pixel>(static_cast<std::size_t>(w) * h)};
    const std::size_t xorAt = offset + 40, andAt = xorAt + xorSize;
    for (int y = 0; y < h; ++y) {
      const int row = h - 1 - y;  // bottom-up
      for (int x = 0; x < w; ++x) {
        const std::size_t p = xorAt + (static_cast<std::size_t>(row) * w + x) * 4;
        Pixel& d = img.px[static_cast<std::size_t>(y) * w + x];
        d = {static_cast<std::uint8_t>(r.u8(p + 2)), static_cast<std::uint8_t>(r.u8(p + 1)),
             static_cast<std::uint8_t>(r.u8(p)), static_cast<std::uint8_t>(r.u8(p + 3))};
        const bool masked = r.u8(andAt + row * maskStride + x / 8) & (0x80 >> (x % 8));
        EXPECT_EQ(masked, d.a == 0) << "AND mask disagrees with alpha at " << x << "," << y;
      }
    }
    images.push_back(std::move(img));
  }
  std::sort(spans.begin(), spans.end());
  for (std::size_t i = 1; i < spans.size(); ++i) {
    EXPECT_LE(spans[i - 1].second, spans[i].first) << "overlapping icon images";
  }
  return images;
}

const Image& imageOfSize(const std::vector<Image>& images, int size) {
  for (const Image& img : images) {
    if (img.width == size && img.height == size) return img;
  }
  throw std::runtime_error("no " + std::to_string(size) + "x" + std::to_string(size) + " image");
}

int count(const Image& img, auto pred) {
  return static_cast<int>(std::count_if(img.px.begin(), img.px.end(), pred));
}

bool opaque(const Pixel& p) { return p.a == 255; }
bool clear(const Pixel& p) { return p.a == 0; }
bool accent(const Pixel& p) { return p.a > 128 && p.b > p.r + 60 && p.b > p.g + 20; }

void expectDrawnIcon(const std::vector<Image>& images, const std::string& name) {
  for (int size : {16, 32}) {
    const Image& img = imageOfSize(images, size);
    const int n = size * size;
    EXPECT_GT(count(img, clear), 0) << name << " " << size << ": no transparent pixels";
    EXPECT_GT(count(img, opaque), 0) << name << " " << size << ": nothing solid";
    EXPECT_GT(count(img, [](const Pixel& p) { return p.a >= 64; }), n / 4) << name << " " << size << ": hardly anything drawn";
    EXPECT_GT(count(img, [](const Pixel& p) { return p.a > 0 && p.a < 255; }), 0)
        << name << " " << size << ": edges are not anti-aliased";
  }
}

TEST(TabIcons, AreIconsWithSmallAndLargeImages) {
  for (int i = 1; i <= 3; ++i) {
    const std::string name = "res/tab" + std::to_string(i) + ".ico";
    expectDrawnIcon(parseIco(readProgramFile(name)), name);
  }
}

TEST(TabIcons, LaterStagesShowMoreProgress) {
  for (int size : {16, 32}) {
    int previous = 0;
    for (int i = 1; i <= 3; ++i) {
      const auto images = parseIco(readProgramFile("res/tab" + std::to_string(i) + ".ico"));
      const int filled = count(imageOfSize(images, size), accent);
      EXPECT_GT(filled, previous * 5 / 4) << "stage " << i << " at " << size;
      previous = filled;
    }
  }
}

TEST(TabIcons, StagesFillClockwiseFromTheTop) {
  // Stage s shows the ring filled from 12 o'clock to s quarters, nothing well beyond.
  for (int stage = 1; stage <= 3; ++stage) {
    const auto images = parseIco(readProgramFile("res/tab" + std::to_string(stage) + ".ico"));
    const Image& img = imageOfSize(images, 32);
    int inside = 0, beyond = 0;
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        if (!accent(img.at(x, y))) continue;
        double deg = std::atan2(x + 0.5 - 16, 16 - (y + 0.5)) * 180 / std::numbers::pi;
        if (deg < 0) deg += 360;
        if (deg > 10 && deg < 90 * stage - 10) ++inside;
        if (deg > 90 * stage + 30 && deg < 340) ++beyond;
      }
    }
    EXPECT_GT(inside, 20 * stage) << "stage " << stage;
    EXPECT_EQ(beyond, 0) << "stage " << stage;
  }
}

TEST(TreeIcons, AreFiveDistinctIcons) {
  std::vector<Image> small;
  for (int i = 1; i <= 5; ++i) {
    const std::string name = "Res/res" + std::to_string(i) + ".ico";
    const auto images = parseIco(readProgramFile(name));
    expectDrawnIcon(images, name);
    small.push_back(imageOfSize(images, 16));
  }
  for (std::size_t i = 0; i < small.size(); ++i) {
    for (std::size_t j = i + 1; j < small.size(); ++j) {
      EXPECT_NE(small[i].px, small[j].px) << "res" << i + 1 << " and res" << j + 1 << " look the same";
    }
  }
}

// ---- BMP ----

TEST(ProgressBarImage, IsAnOpaqueHorizontalGradientBmp) {
  const Bytes file = readProgramFile("res/pb.bmp");
  const Reader r(file);
  ASSERT_EQ(r.u8(0), 'B');
  ASSERT_EQ(r.u8(1), 'M');
  EXPECT_EQ(r.u32(2), file.size());
  const std::uint32_t pixelsAt = r.u32(10);
  ASSERT_EQ(r.u32(14), 40u);
  const int w = r.s32(18), h = r.s32(22);
  ASSERT_GT(w, 0);
  ASSERT_GT(h, 0) << "bottom-up rows";
  EXPECT_GT(w, 4 * h) << "a bar is wide";
  EXPECT_EQ(r.u16(26), 1u);
  ASSERT_EQ(r.u16(28), 24u);
  EXPECT_EQ(r.u32(30), 0u) << "compression";
  const std::uint32_t stride = (w * 3 + 3) / 4 * 4;
  EXPECT_GE(pixelsAt, 54u);
  ASSERT_EQ(pixelsAt + stride * h, file.size());

  auto px = [&](int x, int y) {
    const std::size_t p = pixelsAt + static_cast<std::size_t>(h - 1 - y) * stride + x * 3;
    return Pixel{static_cast<std::uint8_t>(r.u8(p + 2)), static_cast<std::uint8_t>(r.u8(p + 1)),
                 static_cast<std::uint8_t>(r.u8(p)), 255};
  };
  // Clipped from the left at any width, so the colour must run along the whole bar.
  const int mid = h / 2;
  const Pixel left = px(0, mid), right = px(w - 1, mid);
  EXPECT_GT(left.b, left.r + 60) << "blue at the start";
  EXPECT_GT(right.g, left.g + 40) << "towards cyan at the end";
  for (int x = 1; x < w; ++x) EXPECT_GE(px(x, mid).g + 2, px(x - 1, mid).g) << "gradient turns back at " << x;
  // Lit from above: the upper half is lighter than the lower half.
  auto lum = [](Pixel p) { return p.r + p.g + p.b; };
  EXPECT_GT(lum(px(w / 2, h / 4)), lum(px(w / 2, h * 3 / 4)));
}

// ---- WAV ----

TEST(BlockSound, IsAShortCleanPcmClip) {
  const Bytes file = readProgramFile("block.wav");
  const Reader r(file);
  ASSERT_EQ(r.tag(0), "RIFF");
  EXPECT_EQ(r.u32(4) + 8, file.size());
  ASSERT_EQ(r.tag(8), "WAVE");
  std::map<std::string, std::pair<std::size_t, std::uint32_t>> chunks;
  for (std::size_t at = 12; at < file.size();) {
    const std::uint32_t size = r.u32(at + 4);
    ASSERT_LE(at + 8 + size, file.size()) << r.tag(at) << " chunk overruns the file";
    chunks[r.tag(at)] = {at + 8, size};
    at += 8 + size + (size & 1);
  }
  ASSERT_TRUE(chunks.contains("fmt ") && chunks.contains("data"));
  const auto [fmt, fmtSize] = chunks["fmt "];
  ASSERT_GE(fmtSize, 16u);
  EXPECT_EQ(r.u16(fmt), 1u) << "PCM";
  const std::uint32_t channels = r.u16(fmt + 2), rate = r.u32(fmt + 4), bits = r.u16(fmt + 14);
  EXPECT_EQ(channels, 1u);
  EXPECT_EQ(bits, 16u);
  EXPECT_EQ(rate, 22050u);
  EXPECT_EQ(r.u16(fmt + 12), channels * bits / 8) << "block align";
  EXPECT_EQ(r.u32(fmt + 8), rate * channels * bits / 8) << "byte rate";

  const auto [data, dataSize] = chunks["data"];
  ASSERT_EQ(dataSize % 2, 0u);
  const double seconds = dataSize / 2.0 / rate;
  EXPECT_GT(seconds, 0.08);
  EXPECT_LT(seconds, 0.4);

  std::vector<int> s;
  for (std::uint32_t i = 0; i < dataSize; i += 2) s.push_back(static_cast<std::int16_t>(r.u16(data + i)));
  int peak = 0;
  for (int v : s) peak = std::max(peak, std::abs(v));
  EXPECT_GT(peak, 32767 / 5) << "audible";
  EXPECT_LT(peak, 32767) << "clipped";
  // Faded at both ends, so starting and stopping do not click.
  EXPECT_LT(std::abs(s.front()), 200);
  EXPECT_LT(std::abs(s.back()), 200);
  int crossings = 0;
  for (std::size_t i = 1; i < s.size(); ++i) crossings += (s[i - 1] < 0) != (s[i] < 0);
  const double hz = crossings / 2.0 / seconds;
  EXPECT_GT(hz, 300) << "a tone, not a thump";
  EXPECT_LT(hz, 4000) << "a tone, not noise";
}

// ---- GIF ----

// Plain GIF LZW decoder; throws on any inconsistent code.
std::vector<std::uint8_t> decodeLzw(const Bytes& data, int minCodeSize) {
  const int clearCode = 1 << minCodeSize, endCode = clearCode + 1;
  std::vector<std::vector<std::uint8_t>> table;
  auto reset = [&] {
    table.assign(static_cast<std::size_t>(endCode + 1), {});
    for (int i = 0; i < clearCode; ++i) table[i] = {static_cast<std::uint8_t>(i)};
  };
  reset();
  int codeSize = minCodeSize + 1, prev = -1;
  std::size_t bitPos = 0;
  std::vector<std::uint8_t> out;
  bool sawClear = false;
  for (;;) {
    if (bitPos + codeSize > data.size() * 8) throw std::runtime_error("LZW stream ends without an end code");
    int code = 0;
    for (int i = 0; i < codeSize; ++i, ++bitPos) code |= ((data[bitPos / 8] >> (bitPos % 8)) & 1) << i;
    if (code == clearCode) {
      reset();
      codeSize = minCodeSize + 1;
      prev = -1;
      sawClear = true;
      continue;
    }
    if (!sawClear) throw std::runtime_error("LZW stream does not start with a clear code");
    if (code == endCode) break;
    std::vector<std::uint8_t> entry;
    if (code < static_cast<int>(table.size()) && (code < clearCode || code > endCode)) {
      entry = table[code];
    } else if (code == static_cast<int>(table.size()) && prev >= 0) {
      entry = table[prev];
      entry.push_back(table[prev][0]);
    } else {
      throw std::runtime_error("LZW code " + std::to_string(code) + " not in the table");
    }
    if (prev >= 0 && table.size() < 4096) {
      std::vector<std::uint8_t> added = table[prev];
      added.push_back(entry[0]);
      table.push_back(std::move(added));
      if (table.size() == (1u << codeSize) && codeSize < 12) ++codeSize;
    }
    out.insert(out.end(), entry.begin(), entry.end());
    prev = code;
  }
  return out;
}

TEST(AboutPicture, IsAWellFormedGifThatDecodesToTheFullPicture) {
  const Bytes file = readProgramFile("Requires/browser.gif");
  const Reader r(file);
  ASSERT_EQ(std::string(file.begin(), file.begin() + 6), "GIF89a");
  const std::uint32_t screenW = r.u16(6), screenH = r.u16(8), flags = r.u8(10);
  EXPECT_GE(screenW, 32u);
  EXPECT_EQ(screenW, screenH);
  ASSERT_TRUE(flags & 0x80) << "global colour table";
  const std::size_t colours = 2u << (flags & 7);
  std::size_t at = 13;
  std::vector<Pixel> palette;
  for (std::size_t i = 0; i < colours; ++i, at += 3) {
    palette.push_back({static_cast<std::uint8_t>(r.u8(at)), static_cast<std::uint8_t>(r.u8(at + 1)),
                       static_cast<std::uint8_t>(r.u8(at + 2)), 255});
  }

  auto subBlocks = [&](std::size_t& pos) {
    Bytes joined;
    for (std::uint32_t n; (n = r.u8(pos++)) != 0; pos += n) {
      if (pos + n > file.size()) throw std::runtime_error("sub-block overruns the file");
      joined.insert(joined.end(), file.begin() + static_cast<long>(pos), file.begin() + static_cast<long>(pos + n));
    }
    return joined;
  };

  int transparent = -1, frames = 0;
  std::vector<std::uint8_t> indices;
  std::uint32_t imageW = 0, imageH = 0;
  for (;;) {
    const std::uint32_t introducer = r.u8(at++);
    if (introducer == 0x3B) break;
    if (introducer == 0x21) {
      const std::uint32_t label = r.u8(at++);
      std::size_t pos = at;
      const Bytes body = subBlocks(pos);
      if (label == 0xF9) {
        ASSERT_EQ(body.size(), 4u) << "graphic control extension";
        if (body[0] & 1) transparent = body[3];
      }
      at = pos;
      continue;
    }
    ASSERT_EQ(introducer, 0x2Cu) << "unknown block at " << at - 1;
    const std::uint32_t left = r.u16(at), top = r.u16(at + 2);
    imageW = r.u16(at + 4), imageH = r.u16(at + 6);
    const std::uint32_t imageFlags = r.u8(at + 8);
    at += 9;
    EXPECT_LE(left + imageW, screenW);
    EXPECT_LE(top + imageH, screenH);
    ASSERT_FALSE(imageFlags & 0x80) << "expects the global table";
    const int minCodeSize = static_cast<int>(r.u8(at++));
    ASSERT_GE(minCodeSize, 2);
    ASSERT_LE(minCodeSize, 8);
    indices = decodeLzw(subBlocks(at), minCodeSize);
    ++frames;
  }
  EXPECT_EQ(at, file.size()) << "bytes after the trailer";
  ASSERT_EQ(frames, 1);
  ASSERT_EQ(indices.size(), static_cast<std::size_t>(imageW) * imageH);

  std::set<int> used;
  int seeThrough = 0;
  for (std::uint8_t i : indices) {
    ASSERT_LT(i, colours);
    if (i == transparent) {
      ++seeThrough;
    } else {
      used.insert(i);
    }
  }
  EXPECT_GT(seeThrough, 0) << "the round picture has transparent corners";
  EXPECT_LT(seeThrough, static_cast<int>(indices.size()) * 3 / 4);
  EXPECT_GT(used.size(), 32u) << "a shaded picture, not a flat one";
  // Corners are see-through, the centre is not.
  EXPECT_EQ(indices.front(), transparent);
  EXPECT_NE(indices[imageH / 2 * imageW + imageW / 2], transparent);
}

}  // namespace
