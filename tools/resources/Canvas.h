#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace halvenmark::tools {

struct Color {
    std::uint8_t r, g, b;
};

// A small RGB drawing surface for the placeholder pictures, written out as a 24-bit BMP.
class Canvas {
  public:
    Canvas(int width, int height, Color background);

    void fillRect(int x, int y, int w, int h, Color color);
    void frameRect(int x, int y, int w, int h, Color color);
    void line(int x0, int y0, int x1, int y1, Color color);
    void disc(int cx, int cy, int radius, Color color);
    // Upper-case text in the 5 x 7 font, `scale` pixels per font pixel.
    void text(int x, int y, std::string_view text, Color color, int scale = 1);
    static int textWidth(std::string_view text, int scale = 1);

    // Uncompressed 24-bit BMP, rows bottom-up.
    std::vector<std::uint8_t> bmp() const;

  private:
    void set(int x, int y, Color color);

    int width_;
    int height_;
    std::vector<Color> pixels_;
};

}  // namespace halvenmark::tools
