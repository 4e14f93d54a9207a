// The drawing state of the current 2D graphics object and the global drawing
// operations, which store state and forward to the current 2D driver.
#include "engine/graphics/draw2d.h"

#include <cmath>

#include "engine/graphics/image.h"
#include "engine/graphics/image_font.h"

namespace {

std::shared_ptr<TDraw2DGraphics> currentDraw2D;
std::shared_ptr<TDraw2DDriver> currentDraw2DDriver;

// The OpenGL renderer is the one this system draws with: it becomes the
// current graphics driver before main runs. Any program that draws links
// this file, so the registration cannot be dropped by the linker.
[[maybe_unused]] const bool registered = [] {
  SelectGraphicsDriver(GLDraw2DDriver(), GFX_BACKBUFFER);
  return true;
}();

TDraw2DGraphics* Gc() { return currentDraw2D.get(); }

void UpdateTransform(TDraw2DGraphics& gc) {
  constexpr float kRadians = 3.14159265358979323846f / 180.0f;
  const float s = std::sin(gc.tform_rot * kRadians);
  const float c = std::cos(gc.tform_rot * kRadians);
  gc.tform_ix = c * gc.tform_scale_x;
  gc.tform_iy = -s * gc.tform_scale_y;
  gc.tform_jx = s * gc.tform_scale_x;
  gc.tform_jy = c * gc.tform_scale_y;
  gc._driver->SetTransform(gc.tform_ix, gc.tform_iy, gc.tform_jx, gc.tform_jy);
}

}  // namespace

// ---- TDraw2DGraphics ----

std::shared_ptr<TGraphicsDriver> TDraw2DGraphics::Driver() { return _driver; }

void TDraw2DGraphics::GetSettings(int& width, int& height, int& depth, int& hertz, int& flags) {
  if (_graphics) {
    _graphics->GetSettings(width, height, depth, hertz, flags);
  } else {
    width = height = depth = hertz = flags = 0;
  }
}

void TDraw2DGraphics::Close() {
  if (currentDraw2D.get() == this) ClearCurrent();
  if (_graphics) _graphics->Close();
  _graphics = nullptr;
  _driver = nullptr;
}

void TDraw2DGraphics::Validate() {
  // The global operations below act on the current object.
  if (!_driver || currentDraw2D.get() != this) return;
  int w = 0, h = 0, depth = 0, hertz = 0, flags = 0;
  GetSettings(w, h, depth, hertz, flags);
  if (w != g_width || h != g_height) {
    g_width = w;
    g_height = h;
    vres_width = static_cast<float>(w);
    vres_height = static_cast<float>(h);
    vres_mousexscale = 1.0f;
    vres_mouseyscale = 1.0f;
  }
  ::SetLogicalResolution(vres_width, vres_height);
  ::SetBlend(blend_mode);
  ::SetColor(color_red, color_green, color_blue);
  ::SetAlpha(color_alpha);
  ::SetClsColor(clscolor_red, clscolor_green, clscolor_blue);
  ::SetLineWidth(line_width);
  ::SetDrawRotation(tform_rot);
  ::SetDrawScale(tform_scale_x, tform_scale_y);
  ::SetViewport(viewport_x, viewport_y, viewport_w, viewport_h);
  ::SetDrawOrigin(origin_x, origin_y);
  ::SetDrawHandle(-handle_x, -handle_y);
  ::SetTextFont(image_font);
}

void TDraw2DGraphics::MakeCurrent() {
  currentDraw2D = std::static_pointer_cast<TDraw2DGraphics>(shared_from_this());
  currentDraw2DDriver = _driver;
  Validate();
  if (_setup == 0 && _driver) {
    // Both buffers start cleared to the clear colour.
    _driver->Cls();
    _driver->Flip(0);
    _driver->Cls();
    _driver->Flip(0);
    _setup = 1;
  }
}

void TDraw2DGraphics::ClearCurrent() {
  currentDraw2D = nullptr;
  currentDraw2DDriver = nullptr;
}

std::shared_ptr<TDraw2DGraphics> TDraw2DGraphics::Current() { return currentDraw2D; }

std::shared_ptr<TDraw2DGraphics> TDraw2DGraphics::Create(const std::shared_ptr<TGraphics>& graphics,
                                                         const std::shared_ptr<TDraw2DDriver>& driver) {
  if (!graphics) return nullptr;
  int w = 0, h = 0, depth = 0, hertz = 0, flags = 0;
  graphics->GetSettings(w, h, depth, hertz, flags);
  auto g = std::make_shared<TDraw2DGraphics>();
  g->image_font = DefaultImageFont();
  g->viewport_w = w;
  g->viewport_h = h;
  g->vres_width = static_cast<float>(w);
  g->vres_height = static_cast<float>(h);
  g->g_width = w;
  g->g_height = h;
  g->_graphics = graphics;
  g->_driver = driver;
  return g;
}

std::shared_ptr<TDraw2DDriver> CurrentDraw2DDriver() { return currentDraw2DDriver; }

int OvalSegments(float xr, float yr) {
  const float sum = std::fabs(xr) + std::fabs(yr);
  // Huge radii would overflow the int and draw forever; a circle never needs
  // more segments than this.
  int n = sum < 65536.0f ? static_cast<int>(sum) : 65536;
  if (n < 12) n = 12;
  return n & ~3;
}

// ---- global operations ----

void SetColor(int red, int green, int blue) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  gc->color_red = red;
  gc->color_green = green;
  gc->color_blue = blue;
  gc->_driver->SetColor(red, green, blue);
}

void GetDrawColor(int& red, int& green, int& blue) {
  TDraw2DGraphics* gc = Gc();
  red = gc ? gc->color_red : 0;
  green = gc ? gc->color_green : 0;
  blue = gc ? gc->color_blue : 0;
}

void SetClsColor(int red, int green, int blue) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  gc->clscolor_red = red;
  gc->clscolor_green = green;
  gc->clscolor_blue = blue;
  gc->_driver->SetClsColor(red, green, blue);
}

void GetClearColor(int& red, int& green, int& blue) {
  TDraw2DGraphics* gc = Gc();
  red = gc ? gc->clscolor_red : 0;
  green = gc ? gc->clscolor_green : 0;
  blue = gc ? gc->clscolor_blue : 0;
}

void Cls() {
  if (TDraw2DGraphics* gc = Gc()) gc->_driver->Cls();
}

void SetAlpha(float alpha) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  gc->color_alpha = alpha;
  gc->_driver->SetAlpha(alpha);
}

float GetDrawAlpha() { return Gc() ? Gc()->color_alpha : 0.0f; }

void SetBlend(int mode) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  gc->blend_mode = mode;
  gc->_driver->SetBlend(mode);
}

int GetDrawBlend() { return Gc() ? Gc()->blend_mode : 0; }

void SetLineWidth(float width) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  gc->line_width = width;
  gc->_driver->SetLineWidth(width);
}

float GetDrawLineWidth() { return Gc() ? Gc()->line_width : 0.0f; }

void SetDrawRotation(float degrees) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  gc->tform_rot = degrees;
  UpdateTransform(*gc);
}

float GetDrawRotation() { return Gc() ? Gc()->tform_rot : 0.0f; }

void SetDrawScale(float scaleX, float scaleY) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  gc->tform_scale_x = scaleX;
  gc->tform_scale_y = scaleY;
  UpdateTransform(*gc);
}

void GetDrawScale(float& scaleX, float& scaleY) {
  TDraw2DGraphics* gc = Gc();
  scaleX = gc ? gc->tform_scale_x : 0.0f;
  scaleY = gc ? gc->tform_scale_y : 0.0f;
}

void SetTransform(float degrees, float scaleX, float scaleY) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  gc->tform_rot = degrees;
  gc->tform_scale_x = scaleX;
  gc->tform_scale_y = scaleY;
  UpdateTransform(*gc);
}

void SetDrawOrigin(float x, float y) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  gc->origin_x = x;
  gc->origin_y = y;
}

void GetDrawOrigin(float& x, float& y) {
  TDraw2DGraphics* gc = Gc();
  x = gc ? gc->origin_x : 0.0f;
  y = gc ? gc->origin_y : 0.0f;
}

void SetDrawHandle(float x, float y) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  gc->handle_x = -x;
  gc->handle_y = -y;
}

void GetDrawHandle(float& x, float& y) {
  TDraw2DGraphics* gc = Gc();
  x = gc ? -gc->handle_x : 0.0f;
  y = gc ? -gc->handle_y : 0.0f;
}

void SetViewport(int x, int y, int w, int h) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  gc->viewport_x = x;
  gc->viewport_y = y;
  gc->viewport_w = w;
  gc->viewport_h = h;
  const float sx = gc->vres_mousexscale, sy = gc->vres_mouseyscale;
  const auto fx = [sx](float v) { return static_cast<int>(std::floor(v / sx)); };
  const auto fy = [sy](float v) { return static_cast<int>(std::floor(v / sy)); };
  const float xf = static_cast<float>(x), yf = static_cast<float>(y);
  const int x0 = fx(xf), y0 = fy(yf);
  const int x1 = fx(xf + static_cast<float>(w)), y1 = fy(yf + static_cast<float>(h));
  gc->_driver->SetViewport(x0, y0, x1 - x0, y1 - y0);
}

void GetDrawViewport(int& x, int& y, int& w, int& h) {
  TDraw2DGraphics* gc = Gc();
  x = gc ? gc->viewport_x : 0;
  y = gc ? gc->viewport_y : 0;
  w = gc ? gc->viewport_w : 0;
  h = gc ? gc->viewport_h : 0;
}

void SetLogicalResolution(float width, float height) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  gc->vres_width = width;
  gc->vres_height = height;
  // Without a display size (a context made current by other means) the
  // object's own size stands in, so the scales never divide by zero.
  const int dw = DisplayWidth() > 0 ? DisplayWidth() : gc->g_width;
  const int dh = DisplayHeight() > 0 ? DisplayHeight() : gc->g_height;
  gc->vres_mousexscale = dw > 0 && width > 0.0f ? width / static_cast<float>(dw) : 1.0f;
  gc->vres_mouseyscale = dh > 0 && height > 0.0f ? height / static_cast<float>(dh) : 1.0f;
  gc->_driver->SetResolution(width, height);
}

void Plot(float x, float y) {
  if (TDraw2DGraphics* gc = Gc()) gc->_driver->Plot(x + gc->origin_x, y + gc->origin_y);
}

void DrawLine(float x, float y, float x2, float y2, bool drawLastPixel) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  const float px = gc->handle_x + x2 - x, py = gc->handle_y + y2 - y;
  const float tx = x + gc->origin_x, ty = y + gc->origin_y;
  gc->_driver->DrawLine(gc->handle_x, gc->handle_y, px, py, tx, ty);
  // GL lines leave out their end pixel.
  if (drawLastPixel)
    gc->_driver->Plot(px * gc->tform_ix + py * gc->tform_iy + tx, px * gc->tform_jx + py * gc->tform_jy + ty);
}

void DrawRect(float x, float y, float w, float h) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  gc->_driver->DrawRect(gc->handle_x, gc->handle_y, gc->handle_x + w, gc->handle_y + h, x + gc->origin_x,
                        y + gc->origin_y);
}

void DrawOval(float x, float y, float w, float h) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  gc->_driver->DrawOval(gc->handle_x, gc->handle_y, gc->handle_x + w, gc->handle_y + h, x + gc->origin_x,
                        y + gc->origin_y);
}

void DrawPoly(const std::vector<float>& xy) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  gc->_driver->DrawPoly(xy, gc->handle_x, gc->handle_y, gc->origin_x, gc->origin_y);
}

void DrawImageFrame(const std::shared_ptr<TImage>& image, float x, float y, int frame) {
  TDraw2DGraphics* gc = Gc();
  if (!gc || !image) return;
  const float x0 = -image->handle_x, y0 = -image->handle_y;
  const float w = static_cast<float>(image->width), h = static_cast<float>(image->height);
  std::shared_ptr<TImageFrame> f = image->Frame(frame);
  if (!f) return;
  f->Draw(x0, y0, x0 + w, y0 + h, x + gc->origin_x, y + gc->origin_y, 0.0f, 0.0f, w, h);
}

void DrawImageStretched(const std::shared_ptr<TImage>& image, float x, float y, float w, float h, int frame) {
  TDraw2DGraphics* gc = Gc();
  if (!gc || !image) return;
  const float x0 = -image->handle_x, y0 = -image->handle_y;
  std::shared_ptr<TImageFrame> f = image->Frame(frame);
  if (!f) return;
  f->Draw(x0, y0, x0 + w, y0 + h, x + gc->origin_x, y + gc->origin_y, 0.0f, 0.0f,
          static_cast<float>(image->width), static_cast<float>(image->height));
}

void DrawImagePart(const std::shared_ptr<TImage>& image, float x, float y, float w, float h, float sx,
                   float sy, float sw, float sh, float hx, float hy, int frame) {
  TDraw2DGraphics* gc = Gc();
  if (!gc || !image) return;
  // An empty source window has no handle scale (and nothing to draw).
  if (sw == 0.0f || sh == 0.0f) return;
  const float x0 = -hx * w / sw, y0 = -hy * h / sh;
  std::shared_ptr<TImageFrame> f = image->Frame(frame);
  if (!f) return;
  f->Draw(x0, y0, x0 + w, y0 + h, x + gc->origin_x, y + gc->origin_y, sx, sy, sw, sh);
}

void DrawString(const std::u16string& text, float x, float y) {
  TDraw2DGraphics* gc = Gc();
  if (!gc || !gc->image_font) return;
  const float X = x + gc->origin_x + gc->handle_x * gc->tform_ix + gc->handle_y * gc->tform_iy;
  const float Y = y + gc->origin_y + gc->handle_x * gc->tform_jx + gc->handle_y * gc->tform_jy;
  gc->image_font->Draw(text, X, Y, gc->tform_ix, gc->tform_iy, gc->tform_jx, gc->tform_jy);
}

int StringWidth(const std::u16string& text) {
  TDraw2DGraphics* gc = Gc();
  if (!gc || !gc->image_font) return 0;
  TImageFont& font = *gc->image_font;
  int width = 0;
  for (char16_t c : text) {
    const int n = font.CharToGlyph(c);
    if (n < 0) continue;
    std::shared_ptr<TImageGlyph> g = font.LoadGlyph(n);
    if (!g) continue;
    // Truncated after every character: fractional advances are lost one by one.
    width = static_cast<int>(static_cast<float>(width) + g->Advance());
  }
  return width;
}

int StringHeight(const std::u16string& /*text*/) {
  TDraw2DGraphics* gc = Gc();
  return gc && gc->image_font ? gc->image_font->Height() : 0;
}

void SetTextFont(const std::shared_ptr<TImageFont>& font) {
  TDraw2DGraphics* gc = Gc();
  if (!gc) return;
  gc->image_font = font ? font : DefaultImageFont();
}

std::shared_ptr<TImageFont> GetTextFont() { return Gc() ? Gc()->image_font : nullptr; }

void DrawPixmap(const std::shared_ptr<TPixmap>& pixmap, float x, float y) {
  if (TDraw2DGraphics* gc = Gc()) gc->_driver->DrawPixmap(pixmap, static_cast<int>(x), static_cast<int>(y));
}

std::shared_ptr<TPixmap> GrabPixmap(int x, int y, int w, int h) {
  TDraw2DGraphics* gc = Gc();
  return gc ? gc->_driver->GrabPixmap(x, y, w, h) : nullptr;
}
