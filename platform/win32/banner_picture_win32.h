// The banner picture picPar: the banner bitmap copied into a bitmap of the
// screen's format, held by a memory DC. Its pixels are the picture's own
// persistent image: ShadeBackground reads and writes them there, and the
// control paints from them.
#pragma once

#include "platform/user_interface.h"
#include "platform/win32/handles.h"

namespace quelmar {

class BannerPicture : public Picture {
 public:
  // `bitmap`: the banner as loaded from the resources (still owned by the
  // caller); the picture keeps a copy.
  explicit BannerPicture(HBITMAP bitmap);
  ~BannerPicture() override;
  BannerPicture(const BannerPicture&) = delete;
  BannerPicture& operator=(const BannerPicture&) = delete;

  void SetControl(HWND control) { control_ = control; }
  // Paints the image at the top-left corner of `target`.
  void Draw(HDC target) const;

  uint32_t GetPixel(int x, int y) override;
  void SetPixel(int x, int y, uint32_t colour) override;
  int InnerWidth() override { return width_; }
  int InnerHeight() override { return height_; }
  // The image is always persistent and always addressed in pixels: it is a
  // bitmap, not the control's screen area.
  void Repaint() override;
  uint32_t ButtonFaceColour() override;

 private:
  int width_ = 0;
  int height_ = 0;
  UniqueMemoryDc dc_;
  UniqueBitmap image_;
  HGDIOBJ original_ = nullptr;
  HWND control_ = nullptr;
};

}  // namespace quelmar
