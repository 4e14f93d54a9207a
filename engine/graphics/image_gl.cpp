// Texture frames: power-of-two textures with the picture's edges extended into
// the padding, the filter table, mipmap chains, and the dead-texture list.
#include <GL/gl.h>

#include <algorithm>
#include <stdexcept>

#include "engine/graphics/display.h"
#include "engine/graphics/draw2d.h"
#include "engine/graphics/image.h"

namespace {

bool TextureSizeAccepted(int w, int h) {
  glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 4, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  GLint got = 0;
  glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &got);
  return got != 0;
}

void Upload(const std::shared_ptr<TPixmap>& p, int level) {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, p->pitch / 4);
  glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, p->width, p->height, GL_RGBA, GL_UNSIGNED_BYTE, p->pixels);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

}  // namespace

TDeadTextures& DeadTextures() {
  static auto* list = new TDeadTextures();  // outlives every image, even at exit
  return *list;
}

int TexturePow2(int n) {
  int p = 1;
  while (p < n && p < (1 << 30)) p <<= 1;
  return p;
}

TGLImageFrame::~TGLImageFrame() {
  TDeadTextures& dead = DeadTextures();
  if (seq != 0 && seq == dead.seq) {
    if (dead.names.size() == dead.names.capacity()) dead.names.reserve(dead.names.size() + 10);
    dead.names.push_back(static_cast<unsigned>(name));
  }
  // A texture of an earlier context went with that context.
  seq = 0;
}

std::shared_ptr<TGLImageFrame> TGLImageFrame::CreateFromPixmap(const std::shared_ptr<TPixmap>& pixmap,
                                                               int flags) {
  if (!pixmap || pixmap->width < 1 || pixmap->height < 1 || PixelFormatBytes(pixmap->format) == 0)
    return nullptr;

  // 1. The texture size, halved while the renderer refuses it.
  int tw = TexturePow2(pixmap->width), th = TexturePow2(pixmap->height);
  while (!TextureSizeAccepted(tw, th)) {
    if (tw == 1 && th == 1) throw std::runtime_error("Unable to calculate tex size");
    if (tw > 1) tw /= 2;
    if (th > 1) th /= 2;
  }

  // 2. A picture bigger than the largest texture is resampled down.
  const int w = std::min(pixmap->width, tw), h = std::min(pixmap->height, th);
  std::shared_ptr<TPixmap> src = pixmap;
  if (w < pixmap->width || h < pixmap->height) {
    src = ScalePixmap(pixmap, w, h);
    if (!src) return nullptr;
  }

  // 3. Padding: the last column and row repeat into it so linear sampling at
  // the edge sees the picture; the rest is zeroed.
  std::shared_ptr<TPixmap> padded;
  if (w < tw || h < th) {
    padded = PadPixmapEdges(src, tw, th);
    if (!padded) return nullptr;
  } else {
    padded = src->format == PIXFMT_RGBA8888 ? src : src->Convert(PIXFMT_RGBA8888);
    if (!padded) return nullptr;
  }

  // 4. The texture; names released under this context are deleted now.
  GLuint name = 0;
  glGenTextures(1, &name);
  TDeadTextures& dead = DeadTextures();
  const int seq = GraphicsSeq();
  if (dead.seq == seq && !dead.names.empty())
    glDeleteTextures(static_cast<GLsizei>(dead.names.size()), dead.names.data());
  dead.names.clear();
  dead.seq = seq;

  std::shared_ptr<TGLDraw2DDriver> driver = GLDraw2DDriver();
  driver->BindTexture(name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  const bool filtered = flags & IMAGE_FILTERED, mipmapped = flags & IMAGE_MIPMAPPED;
  GLint mag = filtered ? GL_LINEAR : GL_NEAREST;
  GLint min = filtered ? (mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR)
                       : (mipmapped ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min);

  {
    int lw = tw, lh = th, level = 0;
    for (;;) {
      glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, lw, lh, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
      if (!mipmapped || (lw == 1 && lh == 1)) break;
      lw = std::max(1, lw / 2);
      lh = std::max(1, lh / 2);
      ++level;
    }
  }

  // 5. Level 0, then each next level resized from the one before.
  Upload(padded, 0);
  if (mipmapped) {
    std::shared_ptr<TPixmap> level = padded;
    for (int n = 1; level->width > 1 || level->height > 1; ++n) {
      level = ScalePixmap(level, std::max(1, level->width / 2), std::max(1, level->height / 2));
      if (!level) break;
      Upload(level, n);
    }
  }

  // 6. Texture coordinates: source rectangles are in the pixmap's own pixels,
  // so a resampled picture scales them by w / width.
  auto frame = std::make_shared<TGLImageFrame>();
  frame->name = static_cast<int>(name);
  frame->texWidth = tw;
  frame->texHeight = th;
  frame->uscale = static_cast<float>(w) / static_cast<float>(pixmap->width) / static_cast<float>(tw);
  frame->vscale = static_cast<float>(h) / static_cast<float>(pixmap->height) / static_cast<float>(th);
  frame->u0 = 0.0f;
  frame->v0 = 0.0f;
  frame->u1 = static_cast<float>(w) / static_cast<float>(tw);
  frame->v1 = static_cast<float>(h) / static_cast<float>(th);
  frame->seq = seq;
  return frame;
}

void TGLImageFrame::Draw(float x0, float y0, float x1, float y1, float tx, float ty, float sx, float sy,
                         float sw, float sh) {
  const float tu0 = sx * uscale, tv0 = sy * vscale;
  const float tu1 = (sx + sw) * uscale, tv1 = (sy + sh) * vscale;
  // The driver lives for the whole run; no reference count per glyph.
  static TGLDraw2DDriver& d = *GLDraw2DDriver();
  d.BindTexture(static_cast<unsigned>(name));
  d.EnableTexturing();
  const float ix = d.ix, iy = d.iy, jx = d.jx, jy = d.jy;
  glBegin(GL_QUADS);
  glTexCoord2f(tu0, tv0);
  glVertex2f(x0 * ix + y0 * iy + tx, x0 * jx + y0 * jy + ty);
  glTexCoord2f(tu1, tv0);
  glVertex2f(x1 * ix + y0 * iy + tx, x1 * jx + y0 * jy + ty);
  glTexCoord2f(tu1, tv1);
  glVertex2f(x1 * ix + y1 * iy + tx, x1 * jx + y1 * jy + ty);
  glTexCoord2f(tu0, tv1);
  glVertex2f(x0 * ix + y1 * iy + tx, x0 * jx + y1 * jy + ty);
  glEnd();
}
