#include "platform/win32/banner_picture_win32.h"

namespace quelmar {

BannerPicture::BannerPicture(HBITMAP bitmap) {
  BITMAP info{};
  if (bitmap && GetObjectW(bitmap, sizeof info, &info)) {
    width_ = info.bmWidth;
    height_ = info.bmHeight;
  }
  // A bitmap of the screen's format, so that SetPixel keeps the exact
  // button-face colour instead of the nearest of the banner's 16 colours.
  {
    ScreenDc screen;
    dc_.reset(CreateCompatibleDC(screen.get()));
    image_.reset(CreateCompatibleBitmap(screen.get(), width_, height_));
  }
  original_ = SelectObject(dc_.get(), image_.get());
  UniqueMemoryDc source(CreateCompatibleDC(dc_.get()));
  HGDIOBJ sourceOriginal = SelectObject(source.get(), bitmap);
  BitBlt(dc_.get(), 0, 0, width_, height_, source.get(), 0, 0, SRCCOPY);
  SelectObject(source.get(), sourceOriginal);
}

BannerPicture::~BannerPicture() { SelectObject(dc_.get(), original_); }

void BannerPicture::Draw(HDC target) const {
  BitBlt(target, 0, 0, width_, height_, dc_.get(), 0, 0, SRCCOPY);
}

uint32_t BannerPicture::GetPixel(int x, int y) {
  return ::GetPixel(dc_.get(), x, y);
}

void BannerPicture::SetPixel(int x, int y, uint32_t colour) {
  ::SetPixel(dc_.get(), x, y, colour);
}

void BannerPicture::Repaint() {
  if (control_) InvalidateRect(control_, nullptr, FALSE);
}

uint32_t BannerPicture::ButtonFaceColour() {
  return GetSysColor(COLOR_BTNFACE);
}

}  // namespace quelmar
