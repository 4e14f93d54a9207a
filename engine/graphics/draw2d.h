// Immediate-mode 2D drawing: the drawing state held by the current 2D graphics
// object, the global drawing operations, and the OpenGL 1.1 driver that turns
// them into GL calls on the context opened by Graphics (display.h).
//
// The OpenGL 2D driver registers itself as the current graphics driver at
// start-up (with GFX_BACKBUFFER as the default flags), so Graphics opens a
// TDraw2DGraphics wrapped around a TGLGraphics.
//
// Coordinates are pixels from the top-left corner, x right, y down. Colours
// and alphas are stored as given and clamped only when sent to GL. Every
// global operation does nothing while no display is open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/graphics/display.h"

class TPixmap;
class TImage;
class TImageFrame;
class TImageFont;

// Blend modes; any other value behaves as BLEND_SOLID.
enum : int {
  BLEND_MASK = 1,   // no blending; fragments of alpha >= 0.5 pass
  BLEND_SOLID = 2,  // no blending, no alpha test
  BLEND_ALPHA = 3,  // source alpha over
  BLEND_LIGHT = 4,  // additive
  BLEND_SHADE = 5,  // multiply by the destination
};

// The abstract 2D driver: a graphics driver that also draws.
class TDraw2DDriver : public TGraphicsDriver {
 public:
  // The renderer's copy of a pixmap for an image with the given image flags.
  virtual std::shared_ptr<TImageFrame> CreateFrameFromPixmap(const std::shared_ptr<TPixmap>& pixmap,
                                                             int flags) = 0;
  virtual void SetBlend(int mode) = 0;
  virtual void SetAlpha(float alpha) = 0;
  virtual void SetColor(int red, int green, int blue) = 0;
  virtual void SetClsColor(int red, int green, int blue) = 0;
  // In physical pixels, y down.
  virtual void SetViewport(int x, int y, int w, int h) = 0;
  virtual void SetTransform(float ix, float iy, float jx, float jy) = 0;
  virtual void SetLineWidth(float width) = 0;
  virtual void Cls() = 0;
  virtual void Plot(float x, float y) = 0;
  virtual void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
  virtual void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
  virtual void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
  virtual void DrawPoly(const std::vector<float>& xy, float hx, float hy, float ox, float oy) = 0;
  virtual void DrawPixmap(const std::shared_ptr<TPixmap>& pixmap, int x, int y) = 0;
  virtual std::shared_ptr<TPixmap> GrabPixmap(int x, int y, int w, int h) = 0;
  virtual void SetResolution(float width, float height) = 0;
};

// The 2D graphics object: a display context plus the whole drawing state.
class TDraw2DGraphics : public TGraphics {
 public:
  std::shared_ptr<TGraphicsDriver> Driver() override;
  void GetSettings(int& width, int& height, int& depth, int& hertz, int& flags) override;
  // Closes the wrapped context and lets go of it and of the driver.
  void Close() override;
  // Re-applies the whole drawing state to the driver.
  virtual void Validate();
  // Becomes the current 2D object, validates, and the first time clears both
  // buffers to the clear colour.
  virtual void MakeCurrent();

  static void ClearCurrent();
  static std::shared_ptr<TDraw2DGraphics> Current();
  // Null when graphics is Null. Makes the default image font on first use.
  static std::shared_ptr<TDraw2DGraphics> Create(const std::shared_ptr<TGraphics>& graphics,
                                                 const std::shared_ptr<TDraw2DDriver>& driver);

  int color_red = 255, color_green = 255, color_blue = 255;
  float color_alpha = 1.0f;
  int clscolor_red = 0, clscolor_green = 0, clscolor_blue = 0;
  float line_width = 1.0f;
  float tform_rot = 0.0f;
  float tform_scale_x = 1.0f, tform_scale_y = 1.0f;
  float tform_ix = 1.0f, tform_iy = 0.0f, tform_jx = 0.0f, tform_jy = 1.0f;
  int viewport_x = 0, viewport_y = 0, viewport_w = 0, viewport_h = 0;
  float origin_x = 0.0f, origin_y = 0.0f;
  float handle_x = 0.0f, handle_y = 0.0f;  // stored negated
  std::shared_ptr<TImageFont> image_font;
  int blend_mode = BLEND_MASK;
  float vres_width = 0.0f, vres_height = 0.0f;
  float vres_mousexscale = 1.0f, vres_mouseyscale = 1.0f;
  int g_width = 0, g_height = 0;
  std::shared_ptr<TGraphics> _graphics;
  std::shared_ptr<TDraw2DDriver> _driver;
  int _setup = 0;
};

// The OpenGL 1.1 immediate-mode 2D driver; one instance (GLDraw2DDriver()).
class TGLDraw2DDriver : public TDraw2DDriver {
 public:
  // The driver, or Null without the OpenGL graphics driver.
  static std::shared_ptr<TGLDraw2DDriver> Create();
  std::u16string ToString() const { return u"OpenGL"; }

  std::vector<TGraphicsMode> GraphicsModes() override;
  std::shared_ptr<TGraphics> AttachGraphics(void* window, int flags) override;
  std::shared_ptr<TGraphics> CreateGraphics(int width, int height, int depth, int hertz, int flags) override;
  void SetGraphics(const std::shared_ptr<TGraphics>& g) override;
  void Flip(int sync) override;

  std::shared_ptr<TImageFrame> CreateFrameFromPixmap(const std::shared_ptr<TPixmap>& pixmap,
                                                     int flags) override;
  void SetBlend(int mode) override;
  void SetAlpha(float alpha) override;
  void SetColor(int red, int green, int blue) override;
  void SetClsColor(int red, int green, int blue) override;
  void SetViewport(int x, int y, int w, int h) override;
  void SetTransform(float ix, float iy, float jx, float jy) override;
  void SetLineWidth(float width) override;
  void Cls() override;
  void Plot(float x, float y) override;
  void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) override;
  void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override;
  void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override;
  void DrawPoly(const std::vector<float>& xy, float hx, float hy, float ox, float oy) override;
  void DrawPixmap(const std::shared_ptr<TPixmap>& pixmap, int x, int y) override;
  std::shared_ptr<TPixmap> GrabPixmap(int x, int y, int w, int h) override;
  void SetResolution(float width, float height) override;

  // Forgets the applied GL state and sets up projection, model-view and
  // viewport for g's size.
  void ResetGLContext(const std::shared_ptr<TGraphics>& g);

  // Filtered state changes, shared with the texture frames.
  void BindTexture(unsigned name);
  void EnableTexturing();
  void DisableTexturing();

  // Driver state (shared by all its contexts).
  int appliedBlend = 0;  // 0: none applied since the last reset
  unsigned boundTexture = 0;
  bool texturing = false;
  uint8_t colorBytes[4] = {255, 255, 255, 255};
  float ix = 1.0f, iy = 0.0f, jx = 0.0f, jy = 1.0f;
};

std::shared_ptr<TGLDraw2DDriver> GLDraw2DDriver();
// The current 2D driver; Null while no 2D graphics object is current.
std::shared_ptr<TDraw2DDriver> CurrentDraw2DDriver();

// Segments of an oval with radii xr, yr: |xr| + |yr| truncated, at least 12,
// rounded down to a multiple of 4.
int OvalSegments(float xr, float yr);

// ---- global drawing operations on the current 2D graphics object ----

void SetColor(int red, int green, int blue);
void GetDrawColor(int& red, int& green, int& blue);
void SetClsColor(int red, int green, int blue);
void GetClearColor(int& red, int& green, int& blue);
// Clears the back buffer (within the viewport) to the clear colour.
void Cls();
void SetAlpha(float alpha);
float GetDrawAlpha();
void SetBlend(int mode);
int GetDrawBlend();
void SetLineWidth(float width);
float GetDrawLineWidth();
// Degrees; positive turns clockwise on screen.
void SetDrawRotation(float degrees);
float GetDrawRotation();
void SetDrawScale(float scaleX, float scaleY);
void GetDrawScale(float& scaleX, float& scaleY);
void SetTransform(float degrees, float scaleX, float scaleY);
// Added to every drawing position.
void SetDrawOrigin(float x, float y);
void GetDrawOrigin(float& x, float& y);
// The handle of primitives and text (images use their own handle).
void SetDrawHandle(float x, float y);
void GetDrawHandle(float& x, float& y);
// In logical-resolution units; scissors everything drawn.
void SetViewport(int x, int y, int w, int h);
void GetDrawViewport(int& x, int& y, int& w, int& h);
void SetLogicalResolution(float width, float height);

// Origin applied; handle and transform not.
void Plot(float x, float y);
void DrawLine(float x, float y, float x2, float y2, bool drawLastPixel = true);
void DrawRect(float x, float y, float w, float h);
void DrawOval(float x, float y, float w, float h);
// x0, y0, x1, y1, ...; fewer than three points draw nothing.
void DrawPoly(const std::vector<float>& xy);

void DrawImageFrame(const std::shared_ptr<TImage>& image, float x, float y, int frame = 0);
void DrawImageStretched(const std::shared_ptr<TImage>& image, float x, float y, float w, float h,
                        int frame = 0);
// The source rectangle sx, sy, sw, sh (image pixels) stretched to w x h; the
// handle hx, hy is in source pixels.
void DrawImagePart(const std::shared_ptr<TImage>& image, float x, float y, float w, float h, float sx,
                   float sy, float sw, float sh, float hx = 0.0f, float hy = 0.0f, int frame = 0);

// (x, y) is the top-left of the line.
void DrawString(const std::u16string& text, float x, float y);
// Sum of the glyph advances, truncated after every character; unscaled.
int StringWidth(const std::u16string& text);
int StringHeight(const std::u16string& text);
// Null selects the default font.
void SetTextFont(const std::shared_ptr<TImageFont>& font);
std::shared_ptr<TImageFont> GetTextFont();

// Window pixels; origin, handle and transform are not applied.
void DrawPixmap(const std::shared_ptr<TPixmap>& pixmap, float x, float y);
// A new PIXFMT_RGBA8888 pixmap of the back buffer's w x h pixels at (x, y),
// first row on top; pixels outside the window read as 0. Null for a negative size.
std::shared_ptr<TPixmap> GrabPixmap(int x, int y, int w, int h);
