#include "services/shade_background.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quelmar {
namespace {

constexpr uint32_t kLightGrey = 0xC0C0C0;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kDarkGrey = 0x808080;
constexpr uint32_t kFace = 0xF0F0F0;

// A bitmap that records its repaints and the pixels asked for outside it.
class FakePicture : public Picture {
 public:
  FakePicture(int width, int height, uint32_t fill, uint32_t face)
      : width_(width),
        height_(height),
        face_(face),
        pixels_(width * height, fill) {}

  uint32_t GetPixel(int x, int y) override {
    if (!Inside(x, y)) {
      ++outOfRange;
      return 0xFFFFFFFF;
    }
    return pixels_[y * width_ + x];
  }
  void SetPixel(int x, int y, uint32_t colour) override {
    if (!Inside(x, y)) {
      ++outOfRange;
      return;
    }
    pixels_[y * width_ + x] = colour;
  }
  int InnerWidth() override { return width_; }
  int InnerHeight() override { return height_; }
  void Repaint() override { events.push_back("repaint"); }
  uint32_t ButtonFaceColour() override { return face_; }

  uint32_t At(int x, int y) const { return pixels_[y * width_ + x]; }
  void Put(int x, int y, uint32_t colour) { pixels_[y * width_ + x] = colour; }
  int Count(uint32_t colour) const {
    int n = 0;
    for (uint32_t pixel : pixels_) n += pixel == colour;
    return n;
  }

  int outOfRange = 0;
  std::vector<std::string> events;

 private:
  bool Inside(int x, int y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_;
  }

  int width_;
  int height_;
  uint32_t face_;
  std::vector<uint32_t> pixels_;
};

// The 207 x 31 banner: light grey with white and dark grey lettering.
FakePicture Banner(uint32_t face) {
  FakePicture banner(207, 31, kLightGrey, face);
  for (int x = 10; x < 200; x += 3) {
    banner.Put(x, 10, kWhite);
    banner.Put(x, 11, kDarkGrey);
  }
  banner.Put(206, 30, kWhite);
  return banner;
}

TEST(ShadeBackgroundTest, SameColourAsTheButtonFaceChangesNothing) {
  FakePicture banner = Banner(kLightGrey);
  SampledBackground sampled;
  ShadeBackground(banner, sampled);
  EXPECT_EQ(sampled.colour, kLightGrey);
  EXPECT_TRUE(banner.events.empty());
  EXPECT_EQ(banner.Count(kLightGrey), 207 * 31 - 2 * 64 - 1);
}

TEST(ShadeBackgroundTest, EveryLightGreyPixelTakesTheButtonFace) {
  FakePicture banner = Banner(kFace);
  SampledBackground sampled;
  ShadeBackground(banner, sampled);
  EXPECT_EQ(banner.Count(kLightGrey), 0);
  EXPECT_EQ(banner.Count(kFace), 207 * 31 - 2 * 64 - 1);
  EXPECT_EQ(banner.Count(kWhite), 65);
  EXPECT_EQ(banner.Count(kDarkGrey), 64);
  EXPECT_EQ(banner.At(206, 30), kWhite);
  EXPECT_EQ(banner.At(0, 30), kFace);
  EXPECT_EQ(banner.At(206, 0), kFace);
  EXPECT_EQ(banner.outOfRange, 0);
  EXPECT_EQ(banner.events, std::vector<std::string>{"repaint"});
}

TEST(ShadeBackgroundTest, TheFirstSampleIsKeptForLaterCalls) {
  SampledBackground sampled;
  FakePicture first = Banner(kFace);
  ShadeBackground(first, sampled);
  // The same banner, now painted, under another button-face colour: the
  // kept sample is light grey, so the painted pixels are not light grey.
  FakePicture painted(4, 1, kFace, 0x00FF00);
  painted.Put(3, 0, kLightGrey);
  ShadeBackground(painted, sampled);
  EXPECT_EQ(sampled.colour, kLightGrey);
  EXPECT_EQ(painted.At(0, 0), kFace);
  EXPECT_EQ(painted.At(3, 0), 0x00FF00u);
}

TEST(ShadeBackgroundTest, BlackTopLeftPixelIsSampledAgainOnEachCall) {
  SampledBackground sampled;
  FakePicture black(3, 2, 0x000000, kFace);
  black.Put(2, 1, kWhite);
  ShadeBackground(black, sampled);
  EXPECT_EQ(sampled.colour, 0u);
  EXPECT_EQ(black.Count(kFace), 5);
  FakePicture grey(3, 2, kLightGrey, kFace);
  ShadeBackground(grey, sampled);
  EXPECT_EQ(sampled.colour, kLightGrey);
  EXPECT_EQ(grey.Count(kFace), 6);
}

}  // namespace
}  // namespace quelmar
