// The OpenGL 1.1 immediate-mode 2D driver. Every primitive is one begin/end
// block; blend mode, bound texture and texturing are only sent when they change.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/graphics/draw2d.h"
#include "engine/graphics/image.h"
#include "engine/graphics/pixmap.h"

namespace {

uint8_t ClampByte(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// The current context's size, for the bottom-up GL window coordinates.
int ContextHeight() {
  if (DisplayHeight() > 0) return DisplayHeight();
  auto gc = TDraw2DGraphics::Current();
  return gc ? gc->g_height : 0;
}
int ContextWidth() {
  if (DisplayWidth() > 0) return DisplayWidth();
  auto gc = TDraw2DGraphics::Current();
  return gc ? gc->g_width : 0;
}

}  // namespace

std::shared_ptr<TGLDraw2DDriver> GLDraw2DDriver() {
  // Never destroyed: images released at exit still reach it.
  static auto* driver = new std::shared_ptr<TGLDraw2DDriver>(std::make_shared<TGLDraw2DDriver>());
  return *driver;
}

std::shared_ptr<TGLDraw2DDriver> TGLDraw2DDriver::Create() {
  return GLGraphicsDriver() ? GLDraw2DDriver() : nullptr;
}

std::vector<TGraphicsMode> TGLDraw2DDriver::GraphicsModes() { return GLGraphicsDriver()->GraphicsModes(); }

std::shared_ptr<TGraphics> TGLDraw2DDriver::AttachGraphics(void* window, int flags) {
  auto self = std::static_pointer_cast<TDraw2DDriver>(shared_from_this());
  return TDraw2DGraphics::Create(GLGraphicsDriver()->AttachGraphics(window, flags), self);
}

std::shared_ptr<TGraphics> TGLDraw2DDriver::CreateGraphics(int width, int height, int depth, int hertz,
                                                           int flags) {
  auto self = std::static_pointer_cast<TDraw2DDriver>(shared_from_this());
  return TDraw2DGraphics::Create(GLGraphicsDriver()->CreateGraphics(width, height, depth, hertz, flags), self);
}

void TGLDraw2DDriver::SetGraphics(const std::shared_ptr<TGraphics>& g) {
  auto* d2 = dynamic_cast<TDraw2DGraphics*>(g.get());
  if (!d2 || !d2->_graphics) {
    TDraw2DGraphics::ClearCurrent();
    GLGraphicsDriver()->SetGraphics(nullptr);
    return;
  }
  auto keep = std::static_pointer_cast<TDraw2DGraphics>(g);
  GLGraphicsDriver()->SetGraphics(keep->_graphics);
  ResetGLContext(keep);
  keep->MakeCurrent();
}

void TGLDraw2DDriver::Flip(int sync) { GLGraphicsDriver()->Flip(sync); }

void TGLDraw2DDriver::ResetGLContext(const std::shared_ptr<TGraphics>& g) {
  int w = 0, h = 0, depth = 0, hertz = 0, flags = 0;
  if (g) g->GetSettings(w, h, depth, hertz, flags);
  appliedBlend = 0;
  boundTexture = 0;
  texturing = false;
  glDisable(GL_TEXTURE_2D);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, w, h, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glViewport(0, 0, w, h);
}

void TGLDraw2DDriver::BindTexture(unsigned name) {
  if (name == boundTexture) return;
  glBindTexture(GL_TEXTURE_2D, name);
  boundTexture = name;
}

void TGLDraw2DDriver::EnableTexturing() {
  if (texturing) return;
  glEnable(GL_TEXTURE_2D);
  texturing = true;
}

void TGLDraw2DDriver::DisableTexturing() {
  if (!texturing) return;
  glDisable(GL_TEXTURE_2D);
  texturing = false;
}

std::shared_ptr<TImageFrame> TGLDraw2DDriver::CreateFrameFromPixmap(const std::shared_ptr<TPixmap>& pixmap,
                                                                    int flags) {
  return TGLImageFrame::CreateFromPixmap(pixmap, flags);
}

void TGLDraw2DDriver::SetBlend(int mode) {
  if (mode == appliedBlend) return;
  appliedBlend = mode;
  switch (mode) {
    case BLEND_MASK:
      glDisable(GL_BLEND);
      glEnable(GL_ALPHA_TEST);
      glAlphaFunc(GL_GEQUAL, 0.5f);
      break;
    case BLEND_ALPHA:
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glDisable(GL_ALPHA_TEST);
      break;
    case BLEND_LIGHT:
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      glDisable(GL_ALPHA_TEST);
      break;
    case BLEND_SHADE:
      glEnable(GL_BLEND);
      glBlendFunc(GL_DST_COLOR, GL_ZERO);
      glDisable(GL_ALPHA_TEST);
      break;
    default:  // BLEND_SOLID and unknown modes
      glDisable(GL_BLEND);
      glDisable(GL_ALPHA_TEST);
      break;
  }
}

void TGLDraw2DDriver::SetAlpha(float alpha) {
  // NaN clamps to 0 too.
  const float a = alpha > 1.0f ? 1.0f : (alpha >= 0.0f ? alpha : 0.0f);
  colorBytes[3] = static_cast<uint8_t>(a * 255.0f);
  glColor4ubv(colorBytes);
}

void TGLDraw2DDriver::SetColor(int red, int green, int blue) {
  colorBytes[0] = ClampByte(red);
  colorBytes[1] = ClampByte(green);
  colorBytes[2] = ClampByte(blue);
  glColor4ubv(colorBytes);
}

void TGLDraw2DDriver::SetClsColor(int red, int green, int blue) {
  glClearColor(ClampByte(red) / 255.0f, ClampByte(green) / 255.0f, ClampByte(blue) / 255.0f, 1.0f);
}

void TGLDraw2DDriver::SetViewport(int x, int y, int w, int h) {
  if (x == 0 && y == 0 && w == DisplayWidth() && h == DisplayHeight()) {
    glDisable(GL_SCISSOR_TEST);
    return;
  }
  glEnable(GL_SCISSOR_TEST);
  // GL refuses a negative size and would keep the old rectangle.
  w = std::max(w, 0);
  h = std::max(h, 0);
  glScissor(x, ContextHeight() - y - h, w, h);
}

void TGLDraw2DDriver::SetTransform(float ix_, float iy_, float jx_, float jy_) {
  ix = ix_;
  iy = iy_;
  jx = jx_;
  jy = jy_;
}

void TGLDraw2DDriver::SetLineWidth(float width) { glLineWidth(width); }

void TGLDraw2DDriver::Cls() { glClear(GL_COLOR_BUFFER_BIT); }

void TGLDraw2DDriver::Plot(float x, float y) {
  DisableTexturing();
  glBegin(GL_POINTS);
  glVertex2f(x + 0.5f, y + 0.5f);
  glEnd();
}

void TGLDraw2DDriver::DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) {
  DisableTexturing();
  glBegin(GL_LINES);
  glVertex2f(x0 * ix + y0 * iy + tx + 0.5f, x0 * jx + y0 * jy + ty + 0.5f);
  glVertex2f(x1 * ix + y1 * iy + tx + 0.5f, x1 * jx + y1 * jy + ty + 0.5f);
  glEnd();
}

void TGLDraw2DDriver::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) {
  DisableTexturing();
  glBegin(GL_QUADS);
  glVertex2f(x0 * ix + y0 * iy + tx, x0 * jx + y0 * jy + ty);
  glVertex2f(x1 * ix + y0 * iy + tx, x1 * jx + y0 * jy + ty);
  glVertex2f(x1 * ix + y1 * iy + tx, x1 * jx + y1 * jy + ty);
  glVertex2f(x0 * ix + y1 * iy + tx, x0 * jx + y1 * jy + ty);
  glEnd();
}

void TGLDraw2DDriver::DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) {
  const float xr = (x1 - x0) * 0.5f, yr = (y1 - y0) * 0.5f;
  const int n = OvalSegments(xr, yr);
  const float cx = x0 + xr, cy = y0 + yr;
  DisableTexturing();
  glBegin(GL_POLYGON);
  for (int i = 0; i < n; ++i) {
    const double angle = static_cast<double>(i) * 360.0 / n * (3.14159265358979323846 / 180.0);
    const float x = cx + static_cast<float>(std::cos(angle)) * xr;
    const float y = cy - static_cast<float>(std::sin(angle)) * yr;
    glVertex2f(x * ix + y * iy + tx, x * jx + y * jy + ty);
  }
  glEnd();
}

void TGLDraw2DDriver::DrawPoly(const std::vector<float>& xy, float hx, float hy, float ox, float oy) {
  if (xy.size() < 6 || xy.size() % 2 != 0) return;
  DisableTexturing();
  glBegin(GL_POLYGON);
  for (size_t k = 0; k + 1 < xy.size(); k += 2) {
    const float x = xy[k] + hx, y = xy[k + 1] + hy;
    glVertex2f(x * ix + y * iy + ox, x * jx + y * jy + oy);
  }
  glEnd();
}

void TGLDraw2DDriver::DrawPixmap(const std::shared_ptr<TPixmap>& pixmap, int x, int y) {
  if (!pixmap || pixmap->width < 1 || pixmap->height < 1) return;
  std::shared_ptr<TPixmap> p = pixmap->format == PIXFMT_RGBA8888 ? pixmap : pixmap->Convert(PIXFMT_RGBA8888);
  if (!p) return;
  const int saved = appliedBlend;
  DisableTexturing();
  SetBlend(BLEND_SOLID);
  // Rows go downwards from window pixel (x, y). The raster position is set
  // inside the window and then moved, since a position outside it would be
  // invalid and draw nothing.
  glRasterPos2i(0, 0);
  glBitmap(0, 0, 0.0f, 0.0f, static_cast<float>(x), static_cast<float>(-y), nullptr);
  glPixelZoom(1.0f, -1.0f);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, p->pitch / 4);
  glDrawPixels(p->width, p->height, GL_RGBA, GL_UNSIGNED_BYTE, p->pixels);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelZoom(1.0f, 1.0f);
  SetBlend(saved);
}

std::shared_ptr<TPixmap> TGLDraw2DDriver::GrabPixmap(int x, int y, int w, int h) {
  if (w < 0 || h < 0) return nullptr;
  auto out = TPixmap::Create(w, h, PIXFMT_RGBA8888);
  if (!out) return nullptr;
  out->ClearPixels(0);
  // Only the part inside the window is read; GL leaves the rest undefined.
  const int cw = ContextWidth(), ch = ContextHeight();
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + w, cw), y1 = std::min(y + h, ch);
  if (x1 <= x0 || y1 <= y0) return out;
  const int rw = x1 - x0, rh = y1 - y0;
  const int saved = appliedBlend;
  SetBlend(BLEND_SOLID);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ROW_LENGTH, out->pitch / 4);
  glReadPixels(x0, ch - y1, rw, rh, GL_RGBA, GL_UNSIGNED_BYTE, out->PixelPtr(x0 - x, y0 - y));
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  SetBlend(saved);
  // GL's first row is the bottom one.
  std::vector<uint8_t> tmp(static_cast<size_t>(rw) * 4);
  for (int i = 0; i < rh / 2; ++i) {
    uint8_t* a = out->PixelPtr(x0 - x, y0 - y + i);
    uint8_t* b = out->PixelPtr(x0 - x, y0 - y + rh - 1 - i);
    std::memcpy(tmp.data(), a, tmp.size());
    std::memcpy(a, b, tmp.size());
    std::memcpy(b, tmp.data(), tmp.size());
  }
  return out;
}

void TGLDraw2DDriver::SetResolution(float width, float height) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, height, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
}
