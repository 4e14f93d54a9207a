// Textured quads drawn with plain GL and every state set once: the floor
// the engine's renderer is measured against. Quads in a row that share a
// texture and a colour go in one glBegin/glEnd block.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <cstring>
#include <vector>

struct TBareQuad {
  unsigned texture;
  uint8_t color[4];
  float x[4], y[4];  // corners, clockwise from the top-left
  float u0, v0, u1, v1;
};

// Returns the number of glBegin/glEnd blocks drawn.
inline size_t DrawBareQuads(const std::vector<TBareQuad>& quads) {
  size_t blocks = 0, i = 0;
  while (i < quads.size()) {
    const TBareQuad& first = quads[i];
    glBindTexture(GL_TEXTURE_2D, first.texture);
    glColor4ubv(first.color);
    glBegin(GL_QUADS);
    for (; i < quads.size() && quads[i].texture == first.texture && std::memcmp(quads[i].color, first.color, 4) == 0;
         ++i) {
      const TBareQuad& q = quads[i];
      glTexCoord2f(q.u0, q.v0);
      glVertex2f(q.x[0], q.y[0]);
      glTexCoord2f(q.u1, q.v0);
      glVertex2f(q.x[1], q.y[1]);
      glTexCoord2f(q.u1, q.v1);
      glVertex2f(q.x[2], q.y[2]);
      glTexCoord2f(q.u0, q.v1);
      glVertex2f(q.x[3], q.y[3]);
    }
    glEnd();
    ++blocks;
  }
  return blocks;
}
