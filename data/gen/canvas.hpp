// A tiny supersampling rasteriser: shapes are inside-tests, paints are colour functions,
// both in design units (one unit = `scale` pixels), composited with source-over.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <utility>
#include <vector>

namespace gen {

// Straight (non-premultiplied) colour, channels in 0..1.
struct Rgba {
  double r = 0, g = 0, b = 0, a = 0;
};

constexpr Rgba hex(std::uint32_t rgb, double a = 1.0) {
  return {((rgb >> 16) & 0xff) / 255.0, ((rgb >> 8) & 0xff) / 255.0, (rgb & 0xff) / 255.0, a};
}

inline Rgba mix(Rgba p, Rgba q, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {p.r + (q.r - p.r) * t, p.g + (q.g - p.g) * t, p.b + (q.b - p.b) * t, p.a + (q.a - p.a) * t};
}

inline Rgba withAlpha(Rgba c, double a) { return {c.r, c.g, c.b, a}; }

struct Pt {
  double x, y;
};

using Shape = std::function<bool(double x, double y)>;
using Paint = std::function<Rgba(double x, double y)>;

// ---- shapes ----

inline Shape circle(double cx, double cy, double r) {
  return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

inline Shape ellipse(double cx, double cy, double rx, double ry) {
  return [=](double x, double y) {
    const double u = (x - cx) / rx, v = (y - cy) / ry;
    return u * u + v * v <= 1.0;
  };
}

inline Shape ring(double cx, double cy, double rInner, double rOuter) {
  return [=](double x, double y) {
    const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
    return d2 >= rInner * rInner && d2 <= rOuter * rOuter;
  };
}

// Rounded rectangle [x0,x1]x[y0,y1]; an inset of d gives the inner edge of a d-wide border.
inline Shape roundRect(double x0, double y0, double x1, double y1, double r, double inset = 0) {
  x0 += inset, y0 += inset, x1 -= inset, y1 -= inset;
  r = std::max(0.0, r - inset);
  return [=](double x, double y) {
    if (x < x0 || x > x1 || y < y0 || y > y1) return false;
    const double qx = std::clamp(x, x0 + r, x1 - r), qy = std::clamp(y, y0 + r, y1 - r);
    return (x - qx) * (x - qx) + (y - qy) * (y - qy) <= r * r;
  };
}

inline Shape rect(double x0, double y0, double x1, double y1) { return roundRect(x0, y0, x1, y1, 0); }

// Convex polygon with the points in clockwise screen order; `inset` moves every edge inward.
inline Shape convex(std::vector<Pt> pts, double inset = 0) {
  return [pts = std::move(pts), inset](double x, double y) {
    for (std::size_t i = 0; i < pts.size(); ++i) {
      const Pt a = pts[i], b = pts[(i + 1) % pts.size()];
      const double ex = b.x - a.x, ey = b.y - a.y;
      // Positive on the inner side for clockwise order in y-down coordinates.
      const double side = (ex * (y - a.y) - ey * (x - a.x)) / std::hypot(ex, ey);
      if (side < inset) return false;
    }
    return true;
  };
}

// Segment with round caps, `w` wide.
inline Shape line(Pt a, Pt b, double w) {
  return [=](double x, double y) {
    const double ex = b.x - a.x, ey = b.y - a.y;
    const double t = std::clamp(((x - a.x) * ex + (y - a.y) * ey) / (ex * ex + ey * ey), 0.0, 1.0);
    const double dx = x - (a.x + t * ex), dy = y - (a.y + t * ey);
    return dx * dx + dy * dy <= w * w / 4;
  };
}

// Angle of (x,y) around (cx,cy) in degrees, clockwise from 12 o'clock, in [0,360).
inline double clockAngle(double cx, double cy, double x, double y) {
  const double a = std::atan2(x - cx, cy - y) * 180.0 / std::numbers::pi;
  return a < 0 ? a + 360.0 : a;
}

// Arc of a circle of radius r, w wide, from angle a0 to a1 clockwise, with round ends.
inline Shape arc(double cx, double cy, double r, double w, double a0, double a1) {
  auto end = [=](double deg) {
    const double t = deg * std::numbers::pi / 180.0;
    return Pt{cx + r * std::sin(t), cy - r * std::cos(t)};
  };
  const Pt p0 = end(a0), p1 = end(a1);
  return [=](double x, double y) {
    const double d = std::hypot(x - cx, y - cy) - r;
    if (std::abs(d) <= w / 2) {
      const double a = clockAngle(cx, cy, x, y);
      if (a >= a0 && a <= a1) return true;
    }
    const auto near = [&](Pt p) { return (x - p.x) * (x - p.x) + (y - p.y) * (y - p.y) <= w * w / 4; };
    return near(p0) || near(p1);
  };
}

inline Shape both(Shape a, Shape b) {
  return [=](double x, double y) { return a(x, y) && b(x, y); };
}
inline Shape either(Shape a, Shape b) {
  return [=](double x, double y) { return a(x, y) || b(x, y); };
}
inline Shape without(Shape a, Shape b) {
  return [=](double x, double y) { return a(x, y) && !b(x, y); };
}
// The border of `outer` left when `inner` (usually its inset) is taken away.
inline Shape border(Shape outer, Shape inner) { return without(std::move(outer), std::move(inner)); }

// ---- paints ----

inline Paint solid(Rgba c) {
  return [=](double, double) { return c; };
}

// Linear gradient from c0 at p0 to c1 at p1, clamped beyond the ends.
inline Paint linear(Pt p0, Rgba c0, Pt p1, Rgba c1) {
  return [=](double x, double y) {
    const double ex = p1.x - p0.x, ey = p1.y - p0.y;
    return mix(c0, c1, ((x - p0.x) * ex + (y - p0.y) * ey) / (ex * ex + ey * ey));
  };
}

inline Paint radial(Pt c, double r, Rgba c0, Rgba c1) {
  return [=](double x, double y) { return mix(c0, c1, std::hypot(x - c.x, y - c.y) / r); };
}

// ---- canvas ----

class Canvas {
 public:
  // `scale` pixels per design unit.
  Canvas(int width, int height, double scale = 1.0)
      : width_(width), height_(height), scale_(scale), px_(static_cast<std::size_t>(width) * height) {}

  int width() const { return width_; }
  int height() const { return height_; }
  // One pixel in design units: the width of a crisp hairline.
  double pixel() const { return 1.0 / scale_; }

  // Composites `paint` through `shape` with kSamples x kSamples samples per pixel.
  void fill(const Shape& shape, const Paint& paint) {
    for (int py = 0; py < height_; ++py) {
      for (int px = 0; px < width_; ++px) {
        double r = 0, g = 0, b = 0, a = 0;
        for (int sy = 0; sy < kSamples; ++sy) {
          for (int sx = 0; sx < kSamples; ++sx) {
            const double x = (px + (sx + 0.5) / kSamples) / scale_;
            const double y = (py + (sy + 0.5) / kSamples) / scale_;
            if (!shape(x, y)) continue;
            const Rgba c = paint(x, y);
            r += c.r * c.a, g += c.g * c.a, b += c.b * c.a, a += c.a;
          }
        }
        constexpr double n = kSamples * kSamples;
        if (a == 0) continue;
        Premul& d = px_[static_cast<std::size_t>(py) * width_ + px];
        const double k = 1.0 - a / n;
        d = {r / n + d.r * k, g / n + d.g * k, b / n + d.b * k, a / n + d.a * k};
      }
    }
  }

  // Straight-alpha colour of a pixel.
  Rgba at(int x, int y) const {
    const Premul& p = px_[static_cast<std::size_t>(y) * width_ + x];
    if (p.a <= 0) return {};
    return {p.r / p.a, p.g / p.a, p.b / p.a, p.a};
  }

 private:
  static constexpr int kSamples = 12;
  struct Premul {
    double r = 0, g = 0, b = 0, a = 0;
  };
  int width_, height_;
  double scale_;
  std::vector<Premul> px_;
};

inline std::uint8_t to8(double v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

}  // namespace gen
