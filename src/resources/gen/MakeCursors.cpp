// Writes the editing canvas's three cursors as .cur files: an arrow with a plus sign (a press
// adds a point), with a minus sign (Ctrl over a point that a press deletes) and with a
// four-headed arrow (over a point or handle that can be dragged).
//
//   MakeCursors OUTPUT-FOLDER     writes add.cur, delete.cur and move.cur
//
// 32 x 32 monochrome, hot spot at the arrow's tip (1, 1). The pictures are drawn below: '#' is
// black, 'o' white, '.' transparent; each sign gets a white outline so it shows on dark pictures.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;
constexpr int kHotSpot = 1;

// clang-format off
const char* const kArrow[] = {
    "............",
    ".#..........",
    ".##.........",
    ".#o#........",
    ".#oo#.......",
    ".#ooo#......",
    ".#oooo#.....",
    ".#ooooo#....",
    ".#oooooo#...",
    ".#ooooooo#..",
    ".#oooooooo#.",
    ".#ooooo#####",
    ".#oo#oo#....",
    ".#o#.#oo#...",
    ".##..#oo#...",
    ".#....#oo#..",
    "......#oo#..",
    ".......##...",
};

const char* const kPlus[] = {
    "...###...",
    "...###...",
    "...###...",
    "#########",
    "#########",
    "#########",
    "...###...",
    "...###...",
    "...###...",
};

const char* const kMinus[] = {"#########", "#########", "#########"};

const char* const kMove[] = {
    ".......#.......",
    "......###......",
    ".....#####.....",
    ".......#.......",
    ".......#.......",
    "..#....#....#..",
    ".##....#....##.",
    "###############",
    ".##....#....##.",
    "..#....#....#..",
    ".......#.......",
    ".......#.......",
    ".....#####.....",
    "......###......",
    ".......#.......",
};
// clang-format on

using Picture = std::vector<std::string>;

Picture Blank() { return Picture(kSize, std::string(kSize, '.')); }

template <size_t N>
void Paint(Picture& picture, const char* const (&art)[N], int left, int top) {
  for (size_t y = 0; y < N; ++y)
    for (size_t x = 0; art[y][x] != '\0'; ++x)
      if (art[y][x] != '.') picture[top + y][left + x] = art[y][x];
}

// The sign in black with a one-pixel white outline, its centre at (cx, cy).
template <size_t N>
void PaintSign(Picture& picture, const char* const (&art)[N], int cx, int cy) {
  Picture sign = Blank();
  const int width = static_cast<int>(std::string(art[0]).size()), height = static_cast<int>(N);
  Paint(sign, art, cx - width / 2, cy - height / 2);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      if (sign[y][x] == '#') {
        picture[y][x] = '#';
        continue;
      }
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if (nx >= 0 && ny >= 0 && nx < kSize && ny < kSize && sign[ny][nx] == '#') picture[y][x] = 'o';
        }
    }
}

void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, uint16_t(v));
  Put16(b, uint16_t(v >> 16));
}

// A .cur file: the directory, one entry, a 1-bit DIB with its colour (XOR) mask over its
// transparency (AND) mask, rows bottom-up.
std::vector<uint8_t> CursorFile(const Picture& picture) {
  constexpr uint32_t kRowBytes = kSize / 8;
  constexpr uint32_t kImageBytes = 40 + 8 + 2 * kRowBytes * kSize;
  std::vector<uint8_t> b;
  Put16(b, 0);
  Put16(b, 2);  // cursor
  Put16(b, 1);
  b.push_back(kSize);
  b.push_back(kSize);
  b.push_back(2);  // colours
  b.push_back(0);
  Put16(b, kHotSpot);
  Put16(b, kHotSpot);
  Put32(b, kImageBytes);
  Put32(b, 6 + 16);
  Put32(b, 40);
  Put32(b, kSize);
  Put32(b, 2 * kSize);  // both masks
  Put16(b, 1);
  Put16(b, 1);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  Put32(b, 0x00000000);  // index 0: black
  Put32(b, 0x00FFFFFF);  // index 1: white
  for (int mask = 0; mask < 2; ++mask)
    for (int y = kSize - 1; y >= 0; --y)
      for (uint32_t byte = 0; byte < kRowBytes; ++byte) {
        uint8_t bits = 0;
        for (int bit = 0; bit < 8; ++bit) {
          const char c = picture[y][byte * 8 + bit];
          const bool set = mask == 0 ? c == 'o' : c == '.';
          if (set) bits |= uint8_t(0x80 >> bit);
        }
        b.push_back(bits);
      }
  return b;
}

bool Write(const std::string& path, const Picture& picture) {
  const std::vector<uint8_t> bytes = CursorFile(picture);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: MakeCursors OUTPUT-FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  Picture add = Blank(), remove = Blank(), move = Blank();
  for (Picture* p : {&add, &remove, &move}) Paint(*p, kArrow, 0, 0);
  PaintSign(add, kPlus, 22, 22);
  PaintSign(remove, kMinus, 22, 22);
  PaintSign(move, kMove, 22, 22);
  if (!Write(folder + "/add.cur", add) || !Write(folder + "/delete.cur", remove) ||
      !Write(folder + "/move.cur", move)) {
    std::fprintf(stderr, "MakeCursors: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
