#include "tools/resources/Canvas.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "tools/resources/Font5x7.h"

namespace halvenmark::tools {

namespace {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphAdvance = 6;

void putLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

}  // namespace

Canvas::Canvas(int width, int height, Color background)
    : width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(width * height), background) {}

void Canvas::set(int x, int y, Color color) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) {
        pixels_[static_cast<std::size_t>(y * width_ + x)] = color;
    }
}

void Canvas::fillRect(int x, int y, int w, int h, Color color) {
    for (int row = y; row < y + h; ++row) {
        for (int col = x; col < x + w; ++col) {
            set(col, row, color);
        }
    }
}

void Canvas::frameRect(int x, int y, int w, int h, Color color) {
    fillRect(x, y, w, 1, color);
    fillRect(x, y + h - 1, w, 1, color);
    fillRect(x, y, 1, h, color);
    fillRect(x + w - 1, y, 1, h, color);
}

void Canvas::line(int x0, int y0, int x1, int y1, Color color) {
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        set(x0, y0, color);
        if (x0 == x1 && y0 == y1) {
            break;
        }
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x0 += sx;
        }
        if (twice <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

void Canvas::disc(int cx, int cy, int radius, Color color) {
    for (int y = -radius; y <= radius; ++y) {
        for (int x = -radius; x <= radius; ++x) {
            if (x * x + y * y <= radius * radius) {
                set(cx + x, cy + y, color);
            }
        }
    }
}

int Canvas::textWidth(std::string_view text, int scale) {
    return text.empty() ? 0 : (static_cast<int>(text.size()) * kGlyphAdvance - 1) * scale;
}

void Canvas::text(int x, int y, std::string_view text, Color color, int scale) {
    for (char c : text) {
        const Glyph* glyph =
            findGlyph(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        if (glyph != nullptr) {
            for (int row = 0; row < 7; ++row) {
                for (int col = 0; col < kGlyphWidth; ++col) {
                    if (glyph->rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] ==
                        '#') {
                        fillRect(x + col * scale, y + row * scale, scale, scale, color);
                    }
                }
            }
        }
        x += kGlyphAdvance * scale;
    }
}

std::vector<std::uint8_t> Canvas::bmp() const {
    constexpr std::uint32_t kHeaderBytes = 54;
    const std::uint32_t rowBytes = static_cast<std::uint32_t>((width_ * 3 + 3) / 4 * 4);
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(height_);
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderBytes + imageBytes);
    out.push_back('B');
    out.push_back('M');
    putLe(out, kHeaderBytes + imageBytes, 4);
    putLe(out, 0, 4);
    putLe(out, kHeaderBytes, 4);
    putLe(out, 40, 4);  // BITMAPINFOHEADER
    putLe(out, static_cast<std::uint32_t>(width_), 4);
    putLe(out, static_cast<std::uint32_t>(height_), 4);
    putLe(out, 1, 2);   // planes
    putLe(out, 24, 2);  // bits per pixel
    putLe(out, 0, 4);   // no compression
    putLe(out, imageBytes, 4);
    putLe(out, 3780, 4);  // 96 dpi
    putLe(out, 3780, 4);
    putLe(out, 0, 4);
    putLe(out, 0, 4);
    for (int y = height_ - 1; y >= 0; --y) {
        for (int x = 0; x < width_; ++x) {
            const Color c = pixels_[static_cast<std::size_t>(y * width_ + x)];
            out.push_back(c.b);
            out.push_back(c.g);
            out.push_back(c.r);
        }
        for (std::uint32_t pad = static_cast<std::uint32_t>(width_ * 3); pad < rowBytes; ++pad) {
            out.push_back(0);
        }
    }
    return out;
}

}  // namespace halvenmark::tools
