// Draws the program's two tray pictures and writes them as .ico files (16, 32 and 48
// pixels, 32-bit colour with alpha and an AND mask):
//   active.ico   - the product mark, a white "Q", on a blue square   (icon 128)
//   inactive.ico - the same struck through by a red prohibition sign (icon 130)
// The .ico files are kept in the repository beside this program; the native build
// regenerates them and a test checks that the kept files are current.
//
//   icon_generator OUTPUT_FOLDER
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Colour {
  double r, g, b;
};

constexpr Colour kBlue{0x1F, 0x5F, 0xBF};
constexpr Colour kWhite{0xFF, 0xFF, 0xFF};
constexpr Colour kRed{0xD9, 0x1A, 0x1A};

// Straight (not premultiplied) RGBA, 0-255 as doubles while drawing.
struct Pixel {
  double r = 0, g = 0, b = 0, a = 0;
};

// A shape answers whether a point of the unit square (y downwards) lies inside it.
using Shape = bool (*)(double x, double y);

bool RoundedSquare(double x, double y) {
  const double inset = 0.02, radius = 0.14;
  const double lo = inset + radius, hi = 1 - inset - radius;
  const double dx = x < lo ? lo - x : (x > hi ? x - hi : 0);
  const double dy = y < lo ? lo - y : (y > hi ? y - hi : 0);
  if (x < inset || x > 1 - inset || y < inset || y > 1 - inset) return false;
  return dx * dx + dy * dy <= radius * radius;
}

double DistanceToSegment(double x, double y, double x0, double y0, double x1, double y1) {
  const double vx = x1 - x0, vy = y1 - y0;
  double t = ((x - x0) * vx + (y - y0) * vy) / (vx * vx + vy * vy);
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  return std::hypot(x - (x0 + t * vx), y - (y0 + t * vy));
}

bool LetterQ(double x, double y) {
  const double d = std::hypot(x - 0.48, y - 0.46);
  const bool ring = d <= 0.30 && d >= 0.175;
  const bool tail = DistanceToSegment(x, y, 0.58, 0.60, 0.80, 0.82) <= 0.075;
  return ring || tail;
}

bool ProhibitionSign(double x, double y) {
  const double d = std::hypot(x - 0.5, y - 0.5);
  const bool ring = d <= 0.49 && d >= 0.385;
  const bool bar = d <= 0.42 && DistanceToSegment(x, y, 0.2, 0.2, 0.8, 0.8) <= 0.06;
  return ring || bar;
}

// Paints `colour` over the image where `shape` lies, with 8 x 8 samples per pixel
// for smooth edges.
void Paint(std::vector<Pixel>& image, int size, Shape shape, Colour colour) {
  constexpr int kSamples = 8;
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      int inside = 0;
      for (int sy = 0; sy < kSamples; ++sy)
        for (int sx = 0; sx < kSamples; ++sx)
          inside += shape((px + (sx + 0.5) / kSamples) / size, (py + (sy + 0.5) / kSamples) / size);
      const double cover = static_cast<double>(inside) / (kSamples * kSamples);
      if (cover == 0) continue;
      Pixel& p = image[static_cast<std::size_t>(py * size + px)];
      const double a = cover * 255 + p.a * (1 - cover);
      auto mix = [&](double over, double under) { return (over * cover * 255 + under * p.a * (1 - cover)) / a; };
      p = {mix(colour.r, p.r), mix(colour.g, p.g), mix(colour.b, p.b), a};
    }
  }
}

std::vector<Pixel> Draw(int size, bool inactive) {
  std::vector<Pixel> image(static_cast<std::size_t>(size * size));
  Paint(image, size, RoundedSquare, kBlue);
  Paint(image, size, LetterQ, kWhite);
  if (inactive) Paint(image, size, ProhibitionSign, kRed);
  return image;
}

void Put16(std::string& out, unsigned v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
std::uint8_t Byte(double v) { return static_cast<std::uint8_t>(std::lround(v < 0 ? 0 : (v > 255 ? 255 : v))); }

// One icon image: BITMAPINFOHEADER (height doubled for the mask), BGRA rows bottom-up,
// then the AND mask (1 = transparent), rows padded to 32 bits.
std::string IconImage(const std::vector<Pixel>& image, int size) {
  const int maskRow = ((size + 31) / 32) * 4;
  std::string out;
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(size));
  Put32(out, static_cast<std::uint32_t>(size * 2));
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(size * size * 4 + maskRow * size));
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      const Pixel& p = image[static_cast<std::size_t>(y * size + x)];
      const std::uint8_t a = Byte(p.a);
      out += static_cast<char>(a ? Byte(p.b) : 0);
      out += static_cast<char>(a ? Byte(p.g) : 0);
      out += static_cast<char>(a ? Byte(p.r) : 0);
      out += static_cast<char>(a);
    }
  }
  for (int y = size - 1; y >= 0; --y) {
    std::string row(static_cast<std::size_t>(maskRow), '\0');
    for (int x = 0; x < size; ++x)
      if (Byte(image[static_cast<std::size_t>(y * size + x)].a) == 0)
        row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    out += row;
  }
  return out;
}

std::string IconFile(bool inactive) {
  const int sizes[] = {16, 32, 48};
  std::vector<std::string> images;
  for (int size : sizes) images.push_back(IconImage(Draw(size, inactive), size));
  std::string out;
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, static_cast<unsigned>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    out += static_cast<char>(sizes[i]);
    out += static_cast<char>(sizes[i]);
    out += '\0';  // no palette
    out += '\0';
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<std::uint32_t>(images[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const std::string& image : images) out += image;
  return out;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: icon_generator OUTPUT_FOLDER\n", stderr);
    return 1;
  }
  const std::string folder = std::string(argv[1]) + "/";
  for (const bool inactive : {false, true}) {
    const std::string path = folder + (inactive ? "inactive.ico" : "active.ico");
    if (!WriteFile(path, IconFile(inactive))) {
      std::fprintf(stderr, "icon_generator: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
