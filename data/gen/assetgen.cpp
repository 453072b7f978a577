// Draws the program folder's pictures and sound: zor_assetgen <program folder>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "canvas.hpp"
#include "formats.hpp"

namespace {

using namespace gen;

// Icons are designed on a 16-unit grid and drawn at 16 and 32 pixels; outlines stay one pixel.
constexpr int kIconSizes[] = {16, 32};

const Rgba kAccent = hex(0x2d7fe0);
const Rgba kAccentDark = hex(0x1658b8);

// ---- tab loading stages: a ring filling clockwise from the top, a quarter per stage ----

void drawTabStage(Canvas& c, int stage) {
  const double px = c.pixel();
  constexpr double cx = 8, cy = 8, r = 5.6, w = 2.8;
  c.fill(ring(cx, cy, r - w / 2, r + w / 2), solid(hex(0x6f86a8, 0.30)));
  const Shape progress = arc(cx, cy, r, w, 0, 90.0 * stage);
  c.fill(progress, linear({cx, cy - r}, hex(0x58a6ff), {cx, cy + r}, kAccentDark));
  // A darker rim along the outside keeps the arc distinct on light tabs.
  c.fill(both(progress, ring(cx, cy, r + w / 2 - px, r + w)), solid(hex(0x0f4aa0, 0.45)));
}

// ---- tree icons ----

const Rgba kFolderBack = hex(0xe0a02e), kFolderFrontTop = hex(0xffd96b), kFolderFrontBottom = hex(0xf2b33d);
const Rgba kFolderEdge = hex(0xa86d12);

void drawClosedFolder(Canvas& c) {
  const double px = c.pixel();
  const Shape back = either(roundRect(1, 2, 7, 5, 1), roundRect(1, 3, 15, 14, 1));
  const Shape backInner = either(roundRect(1, 2, 7, 5, 1, px), roundRect(1, 3, 15, 14, 1, px));
  c.fill(back, solid(kFolderBack));
  c.fill(border(back, backInner), solid(kFolderEdge));
  const Shape front = roundRect(1, 5, 15, 14, 1);
  c.fill(front, linear({0, 5}, kFolderFrontTop, {0, 14}, kFolderFrontBottom));
  c.fill(border(front, roundRect(1, 5, 15, 14, 1, px)), solid(kFolderEdge));
  c.fill(rect(1 + px, 5 + px, 15 - px, 5 + 2 * px), solid(hex(0xffffff, 0.55)));
}

void drawOpenFolder(Canvas& c) {
  const double px = c.pixel();
  const Shape back = either(roundRect(1, 2, 7, 5, 1), roundRect(1, 3, 14, 14, 1));
  const Shape backInner = either(roundRect(1, 2, 7, 5, 1, px), roundRect(1, 3, 14, 14, 1, px));
  c.fill(back, solid(kFolderBack));
  c.fill(border(back, backInner), solid(kFolderEdge));
  // A sheet of paper peeking out.
  c.fill(rect(3, 4, 12, 9), solid(hex(0xffffff)));
  c.fill(border(rect(3, 4, 12, 9), rect(3 + px, 4 + px, 12 - px, 9)), solid(hex(0x9aa6b4)));
  const std::vector<Pt> flap = {{4, 7}, {15.5, 7}, {13, 14}, {1, 14}};
  c.fill(convex(flap), linear({0, 7}, kFolderFrontTop, {0, 14}, kFolderFrontBottom));
  c.fill(border(convex(flap), convex(flap, px)), solid(kFolderEdge));
}

// A small globe badge, for pages and sites.
void drawGlobe(Canvas& c, double cx, double cy, double r) {
  const double px = c.pixel();
  c.fill(circle(cx, cy, r), radial({cx - r * 0.35, cy - r * 0.4}, r * 1.6, hex(0x8fd0ff), hex(0x1f63c6)));
  const Shape inside = circle(cx, cy, r - px);
  const double w = px * 0.9;
  const Rgba grid = hex(0xffffff, 0.75);
  c.fill(both(inside, rect(cx - r, cy - w / 2, cx + r, cy + w / 2)), solid(grid));
  c.fill(both(inside, without(ellipse(cx, cy, r * 0.45 + w / 2, r), ellipse(cx, cy, r * 0.45 - w / 2, r - w))),
         solid(grid));
  c.fill(border(circle(cx, cy, r), inside), solid(hex(0x12458f)));
}

void drawPage(Canvas& c) {
  const double px = c.pixel();
  const std::vector<Pt> sheet = {{3, 1}, {10, 1}, {14, 5}, {14, 15}, {3, 15}};
  c.fill(convex(sheet), linear({0, 1}, hex(0xffffff), {0, 15}, hex(0xe9eef5)));
  c.fill(border(convex(sheet), convex(sheet, px)), solid(hex(0x7d8a9c)));
  const std::vector<Pt> fold = {{10, 1}, {14, 5}, {10, 5}};
  c.fill(convex(fold), solid(hex(0xd3dbe6)));
  c.fill(border(convex(fold), convex(fold, px)), solid(hex(0x7d8a9c)));
  for (double y : {7.0, 9.0}) c.fill(rect(5, y, 11, y + 1), solid(hex(0xb8c3d2)));
  drawGlobe(c, 10.5, 11.5, 4);
}

void drawCalendar(Canvas& c) {
  const double px = c.pixel();
  const Shape body = roundRect(1, 2, 15, 15, 1.5);
  c.fill(body, linear({0, 2}, hex(0xffffff), {0, 15}, hex(0xe8edf3)));
  const Shape header = both(body, rect(1, 2, 15, 6));
  c.fill(header, linear({0, 2}, hex(0xef5b4f), {0, 6}, hex(0xc8382e)));
  c.fill(border(body, roundRect(1, 2, 15, 15, 1.5, px)), solid(hex(0x6b7686)));
  // Binder rings.
  for (double x : {4.5, 11.5}) c.fill(roundRect(x - 0.75, 0.5, x + 0.75, 4, 0.75), solid(hex(0x4d5563)));
  // Day grid, today marked.
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      const double x = 3 + col * 4, y = 8 + row * 2;
      const bool today = row == 1 && col == 1;
      c.fill(rect(x, y, x + 2, y + 1), solid(today ? kAccent : hex(0x9aa6b6)));
    }
  }
}

void drawSiteFolder(Canvas& c, bool open) {
  if (open) {
    drawOpenFolder(c);
  } else {
    drawClosedFolder(c);
  }
  drawGlobe(c, 11, 11, 4.5);
}

// ---- progress bar: blue to cyan with a glassy upper half ----

void drawProgressBar(Canvas& c) {
  const double w = c.width(), h = c.height();
  c.fill(rect(0, 0, w, h), [=](double x, double y) {
    Rgba base = mix(hex(0x1b64d6), hex(0x21c4e8), x / w);
    const double t = y / h;
    if (t < 0.5) {
      base = mix(base, hex(0xffffff), 0.42 - 0.5 * t);
    } else {
      base = mix(base, hex(0x0a2f70), (t - 0.5) * 0.35);
    }
    return base;
  });
  c.fill(rect(0, 0, w, 1), solid(hex(0x0e3f8f, 0.45)));
  c.fill(rect(0, h - 1, w, h), solid(hex(0x0a2f70, 0.55)));
  c.fill(rect(0, 1, w, 2), solid(hex(0xffffff, 0.35)));
}

// ---- about picture: a globe with a gold orbit ----

void drawAboutGlobe(Canvas& c) {
  const double cx = 32, cy = 31, r = 23;
  // The back half of the orbit, hidden behind the sphere later.
  const Shape orbitBand = without(ellipse(cx, cy, 31, 11), ellipse(cx, cy, 28.5, 8.5));
  auto tilted = [=](const Shape& s) {
    const double a = -20 * std::numbers::pi / 180, ca = std::cos(a), sa = std::sin(a);
    return [=](double x, double y) {
      const double dx = x - cx, dy = y - cy;
      return s(cx + dx * ca - dy * sa, cy + dx * sa + dy * ca);
    };
  };
  const Shape orbit = tilted(orbitBand);
  const Shape orbitFront = tilted([=](double x, double y) { return orbitBand(x, y) && y > cy; });
  const Paint gold = linear({0, 10}, hex(0xffe08a), {0, 54}, hex(0xd88a12));
  c.fill(orbit, gold);

  // Sphere: lit from the upper left, continents from a fixed pattern of blobs on the sphere.
  const double lx = -0.45, ly = -0.55, lz = 0.70;
  c.fill(circle(cx, cy, r), [=](double x, double y) {
    const double nx = (x - cx) / r, ny = (y - cy) / r;
    const double nz = std::sqrt(std::max(0.0, 1 - nx * nx - ny * ny));
    const double light = std::max(0.0, nx * lx + ny * ly + nz * lz);
    // Point on the sphere, turned a little so the land sits off-centre.
    const double lat = std::asin(std::clamp(-ny, -1.0, 1.0));
    const double lon = std::atan2(nx, nz) + 0.5;
    double land = 0;
    struct Blob {
      double lat, lon, size;
    };
    constexpr Blob blobs[] = {{0.75, -0.9, 0.42}, {0.35, -0.55, 0.38}, {-0.25, -0.35, 0.40},
                              {-0.6, -0.2, 0.30},  {0.55, 0.75, 0.48},  {0.2, 1.05, 0.35},
                              {-0.15, 0.7, 0.30},  {-0.55, 1.2, 0.25},  {0.95, 0.2, 0.3}};
    for (const Blob& b : blobs) {
      const double d = std::acos(std::clamp(std::sin(lat) * std::sin(b.lat) +
                                                std::cos(lat) * std::cos(b.lat) * std::cos(lon - b.lon),
                                            -1.0, 1.0));
      land = std::max(land, 1 - d / b.size);
    }
    Rgba col = land > 0 ? mix(hex(0x4cb04a), hex(0x2f8a3a), land * 1.5) : mix(hex(0x3aa0f0), hex(0x1b5fc8), -ny * 0.5 + 0.5);
    col = mix(hex(0x0b2a66), col, 0.35 + 0.75 * light);
    // Latitude and longitude lines.
    const double step = std::numbers::pi / 6;
    const double fLat = std::abs(std::remainder(lat, step)) * r;
    const double fLon = std::abs(std::remainder(lon, step)) * r * std::cos(lat);
    if (std::min(fLat, fLon) < 0.45) col = mix(col, hex(0xffffff), 0.3 * nz);
    // Specular highlight.
    const double spec = std::pow(std::max(0.0, nx * -0.35 + ny * -0.45 + nz * 0.82), 40);
    return mix(col, hex(0xffffff), spec * 0.8);
  });
  c.fill(without(circle(cx, cy, r), circle(cx, cy, r - 1)), solid(hex(0x0d3478, 0.8)));
  c.fill(orbitFront, gold);
  c.fill(border(orbitFront, tilted(without(ellipse(cx, cy, 30.4, 10.4), ellipse(cx, cy, 29.1, 9.1)))),
         solid(hex(0xfff3c4, 0.6)));
}

// ---- popup-blocked cue: a short falling two-tone blip ----

std::vector<std::int16_t> blockSound(int rate) {
  const int n = static_cast<int>(std::lround(0.15 * rate));
  std::vector<std::int16_t> out(static_cast<std::size_t>(n));
  struct Tone {
    double freq, start, length;
  };
  constexpr Tone tones[] = {{1318.5, 0.0, 0.075}, {880.0, 0.06, 0.09}};
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / rate;
    double v = 0;
    for (const Tone& tone : tones) {
      const double u = t - tone.start;
      if (u < 0 || u > tone.length) continue;
      // Quick attack, smooth decay to zero at the tone's end.
      const double env = std::min(1.0, u / 0.004) * std::pow(std::sin(std::numbers::pi * 0.5 * (1 - u / tone.length)), 2);
      const double phase = 2 * std::numbers::pi * tone.freq * u;
      v += env * (std::sin(phase) + 0.18 * std::sin(2 * phase));
    }
    // Overall fade so the first and last samples are silent.
    const double edge = std::min({1.0, t / 0.003, (0.15 - t) / 0.008});
    out[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::lround(std::max(0.0, edge) * v * 0.42 * 32767));
  }
  return out;
}

template <typename Draw>
Bytes icon(Draw draw) {
  std::vector<Canvas> sizes;
  for (int s : kIconSizes) sizes.emplace_back(s, s, s / 16.0);
  std::vector<const Canvas*> images;
  for (Canvas& c : sizes) {
    draw(c);
    images.push_back(&c);
  }
  return encodeIco(images);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <program folder>\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  bool ok = true;
  auto put = [&](const std::string& name, const Bytes& bytes) {
    if (!writeFile(dir + "/" + name, bytes)) {
      std::fprintf(stderr, "cannot write %s/%s\n", dir.c_str(), name.c_str());
      ok = false;
    }
  };

  for (int stage = 1; stage <= 3; ++stage) {
    put("res/tab" + std::to_string(stage) + ".ico", icon([stage](Canvas& c) { drawTabStage(c, stage); }));
  }

  Canvas bar(200, 14);
  drawProgressBar(bar);
  put("res/pb.bmp", encodeBmp24(bar, hex(0xffffff)));

  put("Res/res1.ico", icon(drawPage));
  put("Res/res2.ico", icon(drawClosedFolder));
  put("Res/res3.ico", icon(drawCalendar));
  put("Res/res4.ico", icon([](Canvas& c) { drawSiteFolder(c, false); }));
  put("Res/res5.ico", icon([](Canvas& c) { drawSiteFolder(c, true); }));

  constexpr int kRate = 22050;
  put("block.wav", encodeWav(blockSound(kRate), kRate));

  Canvas about(64, 64);
  drawAboutGlobe(about);
  put("Requires/browser.gif", encodeGif(about, hex(0xf0f0f0), 0.3));

  return ok ? 0 : 1;
}
