// Images: pictures kept as pixmaps in memory, one per frame, whose renderer
// copies (OpenGL textures) are made on first draw and again whenever the
// display context has changed since (GraphicsSeq).
#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "engine/graphics/pixmap.h"
#include "engine/system/stream.h"

// Image flags.
enum : int {
  IMAGE_MASKED = 1,     // pixmaps without alpha get the mask colour made transparent
  IMAGE_FILTERED = 2,   // linear sampling (otherwise nearest)
  IMAGE_MIPMAPPED = 4,  // a full mipmap chain
  IMAGE_DYNAMIC = 8,    // stored; no effect on the OpenGL renderer
};

// The renderer's copy of one frame.
class TImageFrame {
 public:
  virtual ~TImageFrame() = default;
  // Draws the source rectangle sx, sy, sw, sh (image pixels) onto the quad
  // (x0, y0)-(x1, y1), transformed by the current matrix and moved by (tx, ty).
  virtual void Draw(float x0, float y0, float x1, float y1, float tx, float ty, float sx, float sy,
                    float sw, float sh) = 0;
};

// An OpenGL texture holding one frame, padded to power-of-two sides.
class TGLImageFrame : public TImageFrame {
 public:
  TGLImageFrame() = default;
  TGLImageFrame(const TGLImageFrame&) = delete;
  TGLImageFrame& operator=(const TGLImageFrame&) = delete;
  // Queues the texture on the dead-texture list when it belongs to the
  // current context; GL is never called here.
  ~TGLImageFrame() override;

  void Draw(float x0, float y0, float x1, float y1, float tx, float ty, float sx, float sy, float sw,
            float sh) override;

  // Raises std::runtime_error "Unable to calculate tex size" when not even a
  // 1 x 1 texture is accepted. A pixmap larger than the largest texture is
  // resampled down; source rectangles stay in the pixmap's own pixels.
  static std::shared_ptr<TGLImageFrame> CreateFromPixmap(const std::shared_ptr<TPixmap>& pixmap,
                                                         int flags);

  float u0 = 0.0f, v0 = 0.0f, u1 = 0.0f, v1 = 0.0f;  // the whole image inside the texture
  float uscale = 0.0f, vscale = 0.0f;                // texture units per image pixel
  int name = 0;
  int seq = 0;  // GraphicsSeq at creation; 0 once released
  int texWidth = 0, texHeight = 0;
};

// The dead-texture list: names released under its tag's display context,
// deleted at the next texture creation under that same context.
struct TDeadTextures {
  std::vector<unsigned> names;
  int seq = 0;
};
TDeadTextures& DeadTextures();

// Smallest power of two >= n; 1 for n <= 1.
int TexturePow2(int n);

// What an image can be made from: a path or stream (anything LoadPixmap
// opens) or a pixmap, used as it is.
using TImageSource = std::variant<std::string, std::shared_ptr<TStream>, std::shared_ptr<TPixmap>>;

class TImage {
 public:
  virtual ~TImage() = default;
  virtual void _pad() {}
  // The frame's renderer copy, made (or remade after a display change) on
  // demand. Null for an index outside the frames, without a display, or
  // when the renderer cannot make it.
  virtual std::shared_ptr<TImageFrame> Frame(int index);
  // The frame's pixmap (made, cleared, when it has none); write drops the
  // renderer copy so the next draw uploads the change. Null for a bad index.
  virtual std::shared_ptr<TPixmap> Lock(int index, bool read, bool write);
  // Masks a pixmap without alpha when IMAGE_MASKED; drops the renderer copy.
  virtual void SetPixmap(int index, const std::shared_ptr<TPixmap>& pixmap);

  // Null for a negative size or frame count.
  static std::shared_ptr<TImage> Create(int width, int height, int frames, int flags, int maskRed,
                                        int maskGreen, int maskBlue);
  static std::shared_ptr<TImage> Load(const TImageSource& source, int flags, int maskRed, int maskGreen,
                                      int maskBlue);
  // Cells numbered left to right, then top to bottom. Null for a cell size
  // below 1, a negative first cell, a count below 1 or cells past the picture.
  static std::shared_ptr<TImage> LoadAnim(const TImageSource& source, int cellWidth, int cellHeight,
                                          int first, int count, int flags, int maskRed, int maskGreen,
                                          int maskBlue);

  int FrameCount() const { return static_cast<int>(pixmaps.size()); }

  int width = 0, height = 0;
  int flags = 0;
  int mask_r = 0, mask_g = 0, mask_b = 0;
  float handle_x = 0.0f, handle_y = 0.0f;
  std::vector<std::shared_ptr<TPixmap>> pixmaps;
  std::vector<std::shared_ptr<TImageFrame>> frames;
  std::vector<int> seqs;
};

// flags -1 means the default image flags (IMAGE_MASKED + IMAGE_FILTERED unless changed).
std::shared_ptr<TImage> LoadImageFile(const TImageSource& source, int flags = -1);
std::shared_ptr<TImage> LoadImageStrip(const TImageSource& source, int cellWidth, int cellHeight,
                                       int first, int count, int flags = -1);
// Adds IMAGE_DYNAMIC.
std::shared_ptr<TImage> NewImage(int width, int height, int frames = 1, int flags = -1);
std::shared_ptr<TPixmap> LockImageFrame(const std::shared_ptr<TImage>& image, int frame = 0,
                                        bool read = true, bool write = true);
// Copies the back buffer's image-sized rectangle at (x, y) into the frame.
void GrabScreenToImage(const std::shared_ptr<TImage>& image, int x, int y, int frame = 0);
int GetImageWidth(const std::shared_ptr<TImage>& image);
int GetImageHeight(const std::shared_ptr<TImage>& image);
void PlaceImageHandle(const std::shared_ptr<TImage>& image, float x, float y);
void CentreImageHandle(const std::shared_ptr<TImage>& image);
void SetAutoCentreHandle(bool enable);
// -1 leaves the default unchanged.
void SetDefaultImageFlags(int flags);
int GetDefaultImageFlags();
// For images made afterwards; images already made keep theirs.
void SetImageMaskColor(int red, int green, int blue);
void GetImageMaskColor(int& red, int& green, int& blue);
