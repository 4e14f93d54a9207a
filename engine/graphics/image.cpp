#include "engine/graphics/image.h"

#include <stdexcept>

#include "engine/graphics/display.h"
#include "engine/graphics/draw2d.h"

namespace {

int maskRed = 0, maskGreen = 0, maskBlue = 0;
bool autoCentreHandle = false;
int defaultImageFlags = IMAGE_MASKED | IMAGE_FILTERED;

std::shared_ptr<TPixmap> SourcePixmap(const TImageSource& source) {
  if (const auto* p = std::get_if<std::shared_ptr<TPixmap>>(&source)) return *p;
  if (const auto* s = std::get_if<std::string>(&source)) return LoadPixmap(TUrl(*s));
  return LoadPixmap(TUrl(std::get<std::shared_ptr<TStream>>(source)));
}

int ResolveFlags(int flags) { return flags == -1 ? defaultImageFlags : flags; }

bool ValidIndex(const TImage& image, int index) { return index >= 0 && index < image.FrameCount(); }

}  // namespace

std::shared_ptr<TImage> TImage::Create(int width, int height, int frames, int flags, int maskRed_,
                                       int maskGreen_, int maskBlue_) {
  if (width < 0 || height < 0 || frames < 0) return nullptr;
  auto image = std::make_shared<TImage>();
  image->width = width;
  image->height = height;
  image->flags = flags;
  image->mask_r = maskRed_;
  image->mask_g = maskGreen_;
  image->mask_b = maskBlue_;
  image->pixmaps.resize(static_cast<size_t>(frames));
  image->frames.resize(static_cast<size_t>(frames));
  image->seqs.assign(static_cast<size_t>(frames), 0);
  return image;
}

std::shared_ptr<TImage> TImage::Load(const TImageSource& source, int flags, int maskRed_, int maskGreen_,
                                     int maskBlue_) {
  std::shared_ptr<TPixmap> pixmap = SourcePixmap(source);
  if (!pixmap) return nullptr;
  auto image = Create(pixmap->width, pixmap->height, 1, flags, maskRed_, maskGreen_, maskBlue_);
  if (!image) return nullptr;
  image->SetPixmap(0, pixmap);
  return image;
}

std::shared_ptr<TImage> TImage::LoadAnim(const TImageSource& source, int cellWidth, int cellHeight,
                                         int first, int count, int flags, int maskRed_, int maskGreen_,
                                         int maskBlue_) {
  if (cellWidth < 1 || cellHeight < 1 || first < 0 || count < 1) return nullptr;
  std::shared_ptr<TPixmap> pixmap = SourcePixmap(source);
  if (!pixmap) return nullptr;
  const int across = pixmap->width / cellWidth;
  const int down = pixmap->height / cellHeight;
  // In 64 bits: first + count and across * down may pass an int.
  if (static_cast<long long>(first) + count > static_cast<long long>(across) * down) return nullptr;
  auto image = Create(cellWidth, cellHeight, count, flags, maskRed_, maskGreen_, maskBlue_);
  if (!image) return nullptr;
  for (int cell = first; cell < first + count; ++cell) {
    auto window = pixmap->Window((cell % across) * cellWidth, (cell / across) * cellHeight, cellWidth,
                                 cellHeight);
    image->SetPixmap(cell - first, window ? window->Copy() : nullptr);
  }
  return image;
}

void TImage::SetPixmap(int index, const std::shared_ptr<TPixmap>& pixmap) {
  if (!ValidIndex(*this, index)) return;
  std::shared_ptr<TPixmap> p = pixmap;
  if (p && (flags & IMAGE_MASKED) && PixelFormatAlphaBits(p->format) == 0)
    p = MaskPixmapColor(p, mask_r, mask_g, mask_b);
  pixmaps[static_cast<size_t>(index)] = p;
  frames[static_cast<size_t>(index)] = nullptr;
  seqs[static_cast<size_t>(index)] = 0;
}

std::shared_ptr<TPixmap> TImage::Lock(int index, bool /*read*/, bool write) {
  if (!ValidIndex(*this, index)) return nullptr;
  const auto i = static_cast<size_t>(index);
  if (write) {
    frames[i] = nullptr;
    seqs[i] = 0;
  }
  if (!pixmaps[i]) {
    pixmaps[i] = TPixmap::Create(width, height, PIXFMT_RGBA8888);
    // Cleared rather than left as whatever the allocator held.
    if (pixmaps[i]) pixmaps[i]->ClearPixels(0);
  }
  return pixmaps[i];
}

std::shared_ptr<TImageFrame> TImage::Frame(int index) {
  if (!ValidIndex(*this, index)) return nullptr;
  const auto i = static_cast<size_t>(index);
  const int seq = GraphicsSeq();
  if (seqs[i] == seq && seq != 0) return frames[i];
  frames[i] = nullptr;  // releases the stale frame first
  seqs[i] = 0;
  std::shared_ptr<TDraw2DDriver> driver = CurrentDraw2DDriver();
  if (!driver) return nullptr;
  std::shared_ptr<TPixmap> pixmap = Lock(index, true, false);
  if (!pixmap) return nullptr;
  try {
    frames[i] = driver->CreateFrameFromPixmap(pixmap, flags);
  } catch (const std::runtime_error&) {
    // The renderer refused even the smallest texture: the image draws nothing.
    frames[i] = nullptr;
  }
  seqs[i] = frames[i] ? seq : 0;
  return frames[i];
}

// ---- module operations ----

std::shared_ptr<TImage> LoadImageFile(const TImageSource& source, int flags) {
  auto image = TImage::Load(source, ResolveFlags(flags), maskRed, maskGreen, maskBlue);
  if (image && autoCentreHandle) CentreImageHandle(image);
  return image;
}

std::shared_ptr<TImage> LoadImageStrip(const TImageSource& source, int cellWidth, int cellHeight, int first,
                                       int count, int flags) {
  auto image = TImage::LoadAnim(source, cellWidth, cellHeight, first, count, ResolveFlags(flags), maskRed,
                                maskGreen, maskBlue);
  if (image && autoCentreHandle) CentreImageHandle(image);
  return image;
}

std::shared_ptr<TImage> NewImage(int width, int height, int frames, int flags) {
  auto image = TImage::Create(width, height, frames, ResolveFlags(flags) | IMAGE_DYNAMIC, maskRed, maskGreen,
                              maskBlue);
  if (image && autoCentreHandle) CentreImageHandle(image);
  return image;
}

std::shared_ptr<TPixmap> LockImageFrame(const std::shared_ptr<TImage>& image, int frame, bool read,
                                        bool write) {
  return image ? image->Lock(frame, read, write) : nullptr;
}

void GrabScreenToImage(const std::shared_ptr<TImage>& image, int x, int y, int frame) {
  if (!image) return;
  std::shared_ptr<TPixmap> pixmap = GrabPixmap(x, y, image->width, image->height);
  if (!pixmap) return;
  if (image->flags & IMAGE_MASKED) pixmap = MaskPixmapColor(pixmap, maskRed, maskGreen, maskBlue);
  image->SetPixmap(frame, pixmap);
}

int GetImageWidth(const std::shared_ptr<TImage>& image) { return image ? image->width : 0; }
int GetImageHeight(const std::shared_ptr<TImage>& image) { return image ? image->height : 0; }

void PlaceImageHandle(const std::shared_ptr<TImage>& image, float x, float y) {
  if (!image) return;
  image->handle_x = x;
  image->handle_y = y;
}

void CentreImageHandle(const std::shared_ptr<TImage>& image) {
  if (!image) return;
  image->handle_x = static_cast<float>(image->width) * 0.5f;
  image->handle_y = static_cast<float>(image->height) * 0.5f;
}

void SetAutoCentreHandle(bool enable) { autoCentreHandle = enable; }

void SetDefaultImageFlags(int flags) {
  if (flags != -1) defaultImageFlags = flags;
}
int GetDefaultImageFlags() { return defaultImageFlags; }

void SetImageMaskColor(int red, int green, int blue) {
  maskRed = red;
  maskGreen = green;
  maskBlue = blue;
}

void GetImageMaskColor(int& red, int& green, int& blue) {
  red = maskRed;
  green = maskGreen;
  blue = maskBlue;
}
