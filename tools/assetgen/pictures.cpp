#include "tools/assetgen/pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace assetgen {
namespace {

// The game's palette.
const Rgb kNight = Hex(0x1b1740);
const Rgb kNightDeep = Hex(0x130f30);
const Rgb kPanelTop = Hex(0x2c2467);
const Rgb kPanelBottom = Hex(0x1a1444);
const Rgb kGold = Hex(0xe3bb62);
const Rgb kGoldLight = Hex(0xf8e3a6);
const Rgb kGoldDark = Hex(0x95692a);
const Rgb kCream = Hex(0xf6eed8);
const Rgb kInk = Hex(0x2a1c4a);
const Rgb kMuted = Hex(0xa99bd6);

void Fill(cairo_t* cr, Rgb c, double a = 1.0) {
  SetRgb(cr, c, a);
  cairo_fill(cr);
}

cairo_pattern_t* Vertical(double y0, double y1, std::initializer_list<std::pair<double, Rgb>> stops) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
  for (auto& [at, c] : stops) cairo_pattern_add_color_stop_rgb(p, at, c.r, c.g, c.b);
  return p;
}

// Makes the pattern the source; the context keeps the only reference.
void SetPattern(cairo_t* cr, cairo_pattern_t* p) {
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
}

void FillPattern(cairo_t* cr, cairo_pattern_t* p) {
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

// A gold rim gradient running along a rectangle's diagonal.
cairo_pattern_t* GoldDiagonal(double x, double y, double w, double h) {
  cairo_pattern_t* p = cairo_pattern_create_linear(x, y, x + w, y + h);
  cairo_pattern_add_color_stop_rgb(p, 0.0, kGoldLight.r, kGoldLight.g, kGoldLight.b);
  cairo_pattern_add_color_stop_rgb(p, 0.45, kGold.r, kGold.g, kGold.b);
  cairo_pattern_add_color_stop_rgb(p, 1.0, kGoldDark.r, kGoldDark.g, kGoldDark.b);
  return p;
}

// Text with a dark outline, for symbols that must read at any scale.
void OutlinedText(cairo_t* cr, Font& f, double px, double cx, double baseline,
                  const std::string& text, Rgb fill, Rgb line, double width) {
  double w = TextWidth(cr, f, px, text);
  TextPathAt(cr, f, px, cx - w / 2, baseline, text);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_width(cr, width);
  SetRgb(cr, line);
  cairo_stroke_preserve(cr);
  SetRgb(cr, fill);
  cairo_fill(cr);
}

// Centres text on the ink of its glyphs (not the advance), vertically on cy.
void SymbolText(cairo_t* cr, Font& f, double px, double cx, double cy, const std::string& text,
                Rgb fill, Rgb line, double width) {
  cairo_set_font_face(cr, f.face());
  cairo_set_font_size(cr, px);
  cairo_text_extents_t e;
  cairo_text_extents(cr, text.c_str(), &e);
  double x = cx - (e.x_bearing + e.width / 2);
  double y = cy - (e.y_bearing + e.height / 2);
  cairo_move_to(cr, x, y);
  cairo_text_path(cr, text.c_str());
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_width(cr, width);
  SetRgb(cr, line);
  cairo_stroke_preserve(cr);
  SetRgb(cr, fill);
  cairo_fill(cr);
}

void Star(cairo_t* cr, double cx, double cy, double r, double inner, int points, double rot) {
  cairo_new_sub_path(cr);
  for (int i = 0; i < points * 2; ++i) {
    double a = rot + M_PI * i / points;
    double rr = (i % 2 == 0) ? r : inner;
    double x = cx + rr * std::sin(a), y = cy - rr * std::cos(a);
    if (i == 0) cairo_move_to(cr, x, y); else cairo_line_to(cr, x, y);
  }
  cairo_close_path(cr);
}

void Glow(cairo_t* cr, double cx, double cy, double r, Rgb c, double alpha) {
  cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, r);
  cairo_pattern_add_color_stop_rgba(p, 0, c.r, c.g, c.b, alpha);
  cairo_pattern_add_color_stop_rgba(p, 1, c.r, c.g, c.b, 0);
  cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

// ------------------------------------------------------------------ tiles

// The face-down square: a royal-blue tile with a gold rim. Show Numbers draws
// light lavender digits straight onto it, so the face stays dark.
void DrawSquareTile(cairo_t* cr, bool marked) {
  const double x = 1.5, y = 1.5, s = 72, r = 10;
  RoundedRect(cr, x + 0.5, y + 1.2, s, s, r);
  SetRgb(cr, Hex(0x080616), 0.45);
  cairo_fill(cr);
  cairo_pattern_t* face = cairo_pattern_create_linear(x, y, x + s, y + s);
  if (marked) {
    cairo_pattern_add_color_stop_rgb(face, 0, 0.99, 0.97, 0.90);
    cairo_pattern_add_color_stop_rgb(face, 1, 0.90, 0.84, 0.69);
  } else {
    cairo_pattern_add_color_stop_rgb(face, 0, 0.19, 0.25, 0.58);
    cairo_pattern_add_color_stop_rgb(face, 1, 0.09, 0.11, 0.34);
  }
  RoundedRect(cr, x, y, s, s, r);
  cairo_set_source(cr, face);
  cairo_fill(cr);
  cairo_pattern_destroy(face);

  // Bevel: light along the top-left, shade along the bottom-right.
  cairo_save(cr);
  RoundedRect(cr, x, y, s, s, r);
  cairo_clip(cr);
  cairo_set_line_width(cr, 5);
  RoundedRect(cr, x + 1.5, y + 1.5, s, s, r);
  SetRgb(cr, Hex(0x0a0820), marked ? 0.18 : 0.4);
  cairo_stroke(cr);
  RoundedRect(cr, x - 1.5, y - 1.5, s, s, r);
  SetRgb(cr, Hex(0xffffff), marked ? 0.5 : 0.22);
  cairo_stroke(cr);
  cairo_restore(cr);

  // Ornament in the lower part, clear of the number drawn at +11.
  if (marked) {
    // A red ribbon hanging from the top-right corner.
    cairo_move_to(cr, 53, 1.5);
    cairo_line_to(cr, 65, 1.5);
    cairo_line_to(cr, 65, 22);
    cairo_line_to(cr, 59, 17);
    cairo_line_to(cr, 53, 22);
    cairo_close_path(cr);
    cairo_pattern_t* rib = Vertical(0, 22, {{0, Hex(0xe04848)}, {1, Hex(0xa8232f)}});
    cairo_set_source(cr, rib);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(rib);
    cairo_set_line_width(cr, 1);
    SetRgb(cr, Hex(0x6e1420), 0.8);
    cairo_stroke(cr);
    // A small pin mark under the number.
    Star(cr, 37.5, 56, 7, 3, 4, 0);
    Fill(cr, Hex(0xc0392b), 0.85);
    cairo_arc(cr, 37.5, 56, 1.6, 0, 2 * M_PI);
    Fill(cr, Hex(0xffffff), 0.9);
  } else {
    Star(cr, 37.5, 56, 7.5, 2.6, 4, 0);
    Fill(cr, kGold, 0.75);
    for (int i = -1; i <= 1; i += 2) {
      cairo_arc(cr, 37.5 + i * 14, 56, 1.6, 0, 2 * M_PI);
      Fill(cr, kGold, 0.5);
    }
    // A faint sheen across the upper half.
    cairo_save(cr);
    RoundedRect(cr, x, y, s, s, r);
    cairo_clip(cr);
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x + s, y);
    cairo_line_to(cr, x, y + s * 0.55);
    cairo_close_path(cr);
    SetRgb(cr, Hex(0xffffff), 0.035);
    cairo_fill(cr);
    cairo_restore(cr);
  }
  // Gold rim.
  RoundedRect(cr, x + 0.75, y + 0.75, s - 1.5, s - 1.5, r - 0.5);
  cairo_set_line_width(cr, 1.5);
  SetPattern(cr, GoldDiagonal(x, y, s, s));
  cairo_stroke(cr);
}

// A round coin for the bonus icons: colour first, so it reads even when the
// pulse has shrunk it to 14 pixels.
void Coin(cairo_t* cr, Rgb c) {
  const double cx = 37.5, cy = 37.5, r = 33;
  cairo_arc(cr, cx + 1, cy + 2, r, 0, 2 * M_PI);
  SetRgb(cr, Hex(0x080616), 0.4);
  cairo_fill(cr);
  cairo_pattern_t* p = cairo_pattern_create_radial(cx - 10, cy - 12, 2, cx, cy, r);
  Rgb light = Mix(c, Hex(0xffffff), 0.45), dark = Mix(c, Hex(0x100820), 0.45);
  cairo_pattern_add_color_stop_rgb(p, 0, light.r, light.g, light.b);
  cairo_pattern_add_color_stop_rgb(p, 0.6, c.r, c.g, c.b);
  cairo_pattern_add_color_stop_rgb(p, 1, dark.r, dark.g, dark.b);
  cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  // Rim: gold ring with a dark edge.
  cairo_arc(cr, cx, cy, r - 1.5, 0, 2 * M_PI);
  cairo_set_line_width(cr, 3);
  cairo_pattern_t* g = GoldDiagonal(cx - r, cy - r, 2 * r, 2 * r);
  cairo_set_source(cr, g);
  cairo_stroke(cr);
  cairo_pattern_destroy(g);
  cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
  cairo_set_line_width(cr, 1);
  SetRgb(cr, Hex(0x2a1030), 0.8);
  cairo_stroke(cr);
  // Highlight arc.
  cairo_arc(cr, cx, cy, r - 6, M_PI * 1.1, M_PI * 1.55);
  cairo_set_line_width(cr, 3);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  SetRgb(cr, Hex(0xffffff), 0.45);
  cairo_stroke(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

const Rgb kSymbolLine = Hex(0x24123a);

void DoubleArrow(cairo_t* cr, bool vertical) {
  cairo_save(cr);
  if (vertical) {
    cairo_translate(cr, 37.5, 37.5);
    cairo_rotate(cr, M_PI / 2);
    cairo_translate(cr, -37.5, -37.5);
  }
  // Shaft with heads, as one outline.
  const double cy = 37.5, half = 4.5, head = 11, l = 12, rgt = 63;
  cairo_move_to(cr, l, cy);
  cairo_line_to(cr, l + head, cy - head);
  cairo_line_to(cr, l + head, cy - half);
  cairo_line_to(cr, rgt - head, cy - half);
  cairo_line_to(cr, rgt - head, cy - head);
  cairo_line_to(cr, rgt, cy);
  cairo_line_to(cr, rgt - head, cy + head);
  cairo_line_to(cr, rgt - head, cy + half);
  cairo_line_to(cr, l + head, cy + half);
  cairo_line_to(cr, l + head, cy + head);
  cairo_close_path(cr);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_width(cr, 4);
  SetRgb(cr, kSymbolLine);
  cairo_stroke_preserve(cr);
  SetRgb(cr, Hex(0xffffff));
  cairo_fill(cr);
  // Three squares along the line: the row or column it shows.
  for (int i = -1; i <= 1; ++i) {
    RoundedRect(cr, 37.5 + i * 9 - 3, cy - 14 - 3 + (vertical ? 28 : 0), 6, 6, 1.5);
    SetRgb(cr, Hex(0xffffff), 0.9);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1.2);
    SetRgb(cr, kSymbolLine);
    cairo_stroke(cr);
  }
  cairo_restore(cr);
}

void PairCards(cairo_t* cr) {
  for (int side = -1; side <= 1; side += 2) {
    cairo_save(cr);
    cairo_translate(cr, 37.5 + side * 8, 38.5);
    cairo_rotate(cr, side * 0.26);
    RoundedRect(cr, -11, -15, 22, 30, 4);
    cairo_set_line_width(cr, 3);
    SetRgb(cr, kSymbolLine);
    cairo_stroke_preserve(cr);
    SetRgb(cr, Hex(0xfff6fb));
    cairo_fill(cr);
    // A heart on each card: the two are a match.
    cairo_move_to(cr, 0, 7);
    cairo_curve_to(cr, -11, -1, -6, -11, 0, -5);
    cairo_curve_to(cr, 6, -11, 11, -1, 0, 7);
    cairo_close_path(cr);
    SetRgb(cr, Hex(0xd6246e));
    cairo_fill(cr);
    cairo_restore(cr);
  }
}

// ------------------------------------------------------------------ backgrounds

void Lattice(cairo_t* cr, int w, int h, double step, double alpha) {
  cairo_set_line_width(cr, 1);
  SetRgb(cr, Hex(0xb9a8ff), alpha);
  for (double d = -h; d < w + h; d += step) {
    cairo_move_to(cr, d, 0);
    cairo_line_to(cr, d + h, h);
    cairo_move_to(cr, d, h);
    cairo_line_to(cr, d + h, 0);
  }
  cairo_stroke(cr);
}

void Bokeh(cairo_t* cr, Rng& rng, int count, double x0, double y0, double x1, double y1,
           double rmin, double rmax) {
  const Rgb colours[] = {Hex(0x8f7cff), Hex(0xff8ac0), Hex(0x7fe3ff), Hex(0xffd37a)};
  for (int i = 0; i < count; ++i) {
    double x = rng.Range(x0, x1), y = rng.Range(y0, y1), r = rng.Range(rmin, rmax);
    Glow(cr, x, y, r, colours[rng.Next() % 4], rng.Range(0.05, 0.14));
  }
}

void StarField(cairo_t* cr, Rng& rng, int count, double w, double h) {
  for (int i = 0; i < count; ++i) {
    double x = rng.Range(0, w), y = rng.Range(0, h), r = rng.Range(0.4, 1.4);
    cairo_arc(cr, x, y, r, 0, 2 * M_PI);
    SetRgb(cr, Hex(0xfff6e0), rng.Range(0.3, 0.9));
    cairo_fill(cr);
  }
  // A few bigger twinkles.
  for (int i = 0; i < count / 12; ++i) {
    double x = rng.Range(0, w), y = rng.Range(0, h);
    Star(cr, x, y, rng.Range(3, 6), 0.9, 4, 0);
    SetRgb(cr, Hex(0xfff1c8), 0.7);
    cairo_fill(cr);
  }
}

// A card floating on the title screen, face down or showing a number.
void FloatingCard(cairo_t* cr, Fonts& f, double cx, double cy, double size, double angle,
                  int number) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_rotate(cr, angle);
  cairo_scale(cr, size / 75.0, size / 75.0);
  cairo_translate(cr, -37.5, -37.5);
  DrawSquareTile(cr, number > 0);
  if (number > 0) {
    std::string t = std::to_string(number);
    SymbolText(cr, *f.display, 34, 37.5, 30, t, Hex(0x0050c8), Hex(0xffffff), 0.01);
  }
  cairo_restore(cr);
}

std::unique_ptr<Canvas> DrawBackground(Fonts& f) {
  auto c = std::make_unique<Canvas>(1024, 768);
  cairo_t* cr = c->cr();
  cairo_rectangle(cr, 0, 0, 1024, 768);
  FillPattern(cr, Vertical(0, 768, {{0, Hex(0x261f58)}, {0.55, Hex(0x1c1646)}, {1, Hex(0x150f35)}}));
  Glow(cr, 345, 336, 520, Hex(0x6a4fc0), 0.22);
  Lattice(cr, 1024, 768, 48, 0.035);
  Rng rng(0xB6);
  Bokeh(cr, rng, 10, 660, 650, 1024, 768, 10, 40);
  Bokeh(cr, rng, 8, 0, 640, 110, 768, 10, 40);

  // The board's frame.
  SoftShadow(cr, 33, 24, 624, 624, 16, 10, 0.5);
  RoundedRect(cr, 33, 24, 624, 624, 16);
  SetPattern(cr, GoldDiagonal(33, 24, 624, 624));
  cairo_fill(cr);
  RoundedRect(cr, 38, 29, 614, 614, 12);
  Fill(cr, Hex(0x3a2a6e));
  RoundedRect(cr, 42, 33, 606, 606, 6);
  Fill(cr, Hex(0x120d2c));
  for (auto [x, y] : {std::pair{35.5, 26.5}, {654.5, 26.5}, {35.5, 645.5}, {654.5, 645.5}}) {
    Star(cr, x, y, 8, 2.5, 4, 0);
    Fill(cr, kGoldLight);
  }

  // The side panel: labels centred on x 836, from y 40 to 625.
  SoftShadow(cr, 670, 20, 340, 620, 20, 8, 0.45);
  Panel(cr, 670, 20, 340, 620, 20, kPanelTop, kPanelBottom, kGold);
  // Wells behind the values.
  for (auto [y, h] : {std::pair{84.0, 42.0}, {364.0, 32.0}, {468.0, 42.0}, {588.0, 42.0}}) {
    RoundedRect(cr, 746, y, 180, h, 12);
    Fill(cr, Hex(0x120d30), 0.75);
    RoundedRect(cr, 746.5, y + 0.5, 179, h - 1, 12);
    cairo_set_line_width(cr, 1);
    SetRgb(cr, kGold, 0.35);
    cairo_stroke(cr);
  }
  // Thin rules between the groups.
  for (double y : {137.5, 193.5, 249.5, 305.5, 409.5, 523.5}) {
    cairo_pattern_t* rule = cairo_pattern_create_linear(700, 0, 972, 0);
    cairo_pattern_add_color_stop_rgba(rule, 0, kGold.r, kGold.g, kGold.b, 0);
    cairo_pattern_add_color_stop_rgba(rule, 0.5, kGold.r, kGold.g, kGold.b, 0.55);
    cairo_pattern_add_color_stop_rgba(rule, 1, kGold.r, kGold.g, kGold.b, 0);
    cairo_move_to(cr, 700, y);
    cairo_line_to(cr, 972, y);
    cairo_set_source(cr, rule);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_pattern_destroy(rule);
    Star(cr, 836, y, 4, 1.4, 4, 0);
    Fill(cr, kGold, 0.8);
  }

  // The thumbnail slot at (786, 650) gets a soft plate.
  SoftShadow(cr, 786, 650, 106, 106, 8, 7, 0.5);

  // The game's name between the message line and the thumbnail.
  cairo_save(cr);
  TextPathAt(cr, *f.display, 36, 612, 700, "Quillory");
  cairo_set_line_width(cr, 5);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  SetRgb(cr, Hex(0x0f0a26), 0.9);
  cairo_stroke_preserve(cr);
  SetPattern(cr, GoldDiagonal(612, 672, 150, 36));
  cairo_fill(cr);
  cairo_restore(cr);
  SetRgb(cr, kMuted);
  TextTop(cr, *f.thin, 22, 652, 708, "demo");
  LiftBlack(*c, 24);
  return c;
}

std::unique_ptr<Canvas> DrawBoardBackdrop() {
  auto c = std::make_unique<Canvas>(600, 600);
  cairo_t* cr = c->cr();
  cairo_pattern_t* p = cairo_pattern_create_radial(300, 300, 40, 300, 300, 430);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.18, 0.13, 0.36);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.07, 0.05, 0.17);
  cairo_rectangle(cr, 0, 0, 600, 600);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  // A recessed slot under every square.
  for (int row = 0; row < 8; ++row) {
    for (int col = 0; col < 8; ++col) {
      double x = col * 75, y = row * 75;
      RoundedRect(cr, x + 1.5, y + 1.5, 72, 72, 10);
      SetRgb(cr, Hex(0x0b0820), 0.55);
      cairo_fill(cr);
      RoundedRect(cr, x + 2, y + 2.5, 71, 71, 10);
      cairo_set_line_width(cr, 1);
      SetRgb(cr, Hex(0x9f8cff), 0.16);
      cairo_stroke(cr);
      // A small gold stud where four slots meet.
      if (col > 0 && row > 0) {
        Star(cr, x, y, 3.5, 1.2, 4, 0);
        Fill(cr, kGold, 0.55);
      }
    }
  }
  LiftBlack(*c, 24);
  return c;
}

// ------------------------------------------------------------------ small pictures

std::unique_ptr<Canvas> DrawMessageFrame() {
  auto c = std::make_unique<Canvas>(500, 80);
  cairo_t* cr = c->cr();
  // The band: text of the status line sits with its top at +35 and its
  // middle near +51; the frame runs from +20 to +79.
  RoundedRect(cr, 3, 21, 494, 56, 16);
  cairo_pattern_t* fill = Vertical(21, 77, {{0, Hex(0x1a1444)}, {1, Hex(0x0f0b2a)}});
  cairo_set_source(cr, fill);
  cairo_fill(cr);
  cairo_pattern_destroy(fill);
  RoundedRect(cr, 3, 21, 494, 56, 16);
  cairo_set_line_width(cr, 3.5);
  cairo_pattern_t* g = GoldDiagonal(0, 20, 500, 60);
  cairo_set_source(cr, g);
  cairo_stroke(cr);
  cairo_pattern_destroy(g);
  RoundedRect(cr, 8, 26, 484, 46, 12);
  cairo_set_line_width(cr, 1);
  SetRgb(cr, kGoldLight, 0.25);
  cairo_stroke(cr);
  // A tab with a gem on the top edge, and studs at the ends.
  RoundedRect(cr, 214, 9, 72, 20, 9);
  cairo_pattern_t* tab = Vertical(9, 29, {{0, kPanelTop}, {1, kPanelBottom}});
  cairo_set_source(cr, tab);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(tab);
  cairo_set_line_width(cr, 2);
  SetRgb(cr, kGold);
  cairo_stroke(cr);
  Star(cr, 250, 19, 7, 3, 4, 0);
  Fill(cr, Hex(0x7fe3ff));
  Star(cr, 250, 19, 3, 1.2, 4, 0);
  Fill(cr, Hex(0xffffff), 0.9);
  for (double x : {20.0, 480.0}) {
    Star(cr, x, 49, 5, 1.8, 4, 0);
    Fill(cr, kGold, 0.7);
  }
  return c;
}

std::unique_ptr<Canvas> DrawSquare(bool marked) {
  auto c = std::make_unique<Canvas>(75, 75);
  DrawSquareTile(c->cr(), marked);
  return c;
}

// The menu: the title loop underlines the chosen entry at fixed places, so
// each entry is drawn centred over its underline and sized to its length.
// It reaches down over the whole hiscore card of the title picture, whose
// rows the title loop leaves out while the menu is open.
std::unique_ptr<Canvas> DrawMenu(Fonts& f) {
  auto c = std::make_unique<Canvas>(434, 336);
  cairo_t* cr = c->cr();
  Panel(cr, 1.5, 1.5, 431, 333, 22, kPanelTop, kPanelBottom, kGold);
  SetRgb(cr, kGoldLight);
  TextCentred(cr, *f.display, 30, 217, 6, "Menu");
  for (int i = -1; i <= 1; i += 2) {
    cairo_move_to(cr, 217 + i * 48, 27.5);
    cairo_line_to(cr, 217 + i * 140, 27.5);
    cairo_set_line_width(cr, 1);
    SetRgb(cr, kGold, 0.6);
    cairo_stroke(cr);
    Star(cr, 217 + i * 144, 27.5, 4, 1.4, 4, 0);
    Fill(cr, kGold);
  }
  struct Entry {
    const char* text;
    double x0, x1, y;  // the underline in picture coordinates
  };
  // Screen underlines less the picture's place (295, 101).
  const Entry entries[] = {
      {"Credits", 468 - 295, 569 - 295, 180 - 101},
      {"Instructions", 440 - 295, 604 - 295, 211 - 101},
      {"Velmarch on the web", 402 - 295, 661 - 295, 244 - 101},
      {"Back", 457 - 295, 577 - 295, 288 - 101},
  };
  // One size for all entries, the largest that fits every underline; then
  // each entry is spaced out towards the length of its own underline, a short
  // word only so far that it still reads as one word, and centred on it.
  double px = 30;
  for (const Entry& e : entries) {
    double w = TextWidth(cr, *f.display, 30, e.text);
    px = std::min(px, 30 * (e.x1 - e.x0 + 1) / w);
  }
  px = std::floor(px);
  for (const Entry& e : entries) {
    const double want = e.x1 - e.x0 + 1;
    const std::string text = e.text;
    const double w = TextWidth(cr, *f.display, px, text);
    const double tracking =
        text.size() > 1 ? std::min((want - w) / (text.size() - 1), px * 0.3) : 0;
    const double spread = w + tracking * (text.size() > 1 ? text.size() - 1 : 0);
    // A faint guide under every entry; the game draws the bright one.
    cairo_move_to(cr, e.x0, e.y + 0.5);
    cairo_line_to(cr, e.x1 + 1, e.y + 0.5);
    cairo_set_line_width(cr, 1);
    SetRgb(cr, kMuted, 0.22);
    cairo_stroke(cr);
    double x = e.x0 + (want - spread) / 2;
    cairo_new_path(cr);
    for (char ch : text) {
      const std::string one(1, ch);
      TextPathAt(cr, *f.display, px, x, e.y - 5, one);
      x += TextWidth(cr, *f.display, px, one) + tracking;
    }
    SetRgb(cr, Hex(0x0c0824), 0.7);
    cairo_set_line_width(cr, 3);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr);
    SetRgb(cr, kCream);
    cairo_fill(cr);
  }
  SetRgb(cr, kMuted);
  TextCentred(cr, *f.sans, 13, 217, 300, "Up / Down: choose      Return: open      Esc: close");
  return c;
}

std::unique_ptr<Canvas> DrawCredits(Fonts& f) {
  auto c = std::make_unique<Canvas>(400, 300);
  cairo_t* cr = c->cr();
  Panel(cr, 1.5, 1.5, 397, 297, 20, Hex(0x2f2670), Hex(0x1b1548), kGold);
  SetRgb(cr, kGoldLight);
  TextCentred(cr, *f.display, 28, 200, 8, "Credits");
  SetRgb(cr, kCream);
  TextCentred(cr, *f.sans, 17, 200, 46, "Quillory demo, a game by Velmarch");
  SetRgb(cr, Hex(0xd8cff5));
  TextCentred(cr, *f.sans, 13, 200, 72, "Every picture, the music and the sounds are made");
  TextCentred(cr, *f.sans, 13, 200, 89, "by the game's own asset tool, from code alone.");
  SetRgb(cr, kGold);
  TextCentred(cr, *f.sans, 14, 200, 116, "Fonts, from Debian's free font packages");
  struct Line {
    const char* name;
    const char* licence;
  };
  const Line lines[] = {
      {"Comic Neue Bold, Craig Rozynski", "SIL OFL 1.1"},
      {"Glass TTY VT220, Viacheslav Slavinsky", "Unlicense"},
      {"Goudy Bookletter 1911, Barry Schwartz", "public domain"},
      {"Cabin, Pablo Impallari", "SIL OFL 1.1"},
      {"League Spartan, The League of Moveable Type", "SIL OFL 1.1"},
  };
  double y = 138;
  for (const Line& l : lines) {
    SetRgb(cr, kCream);
    TextTop(cr, *f.sans, 13, 22, y, l.name);
    SetRgb(cr, kMuted);
    double w = TextWidth(cr, *f.sans, 13, l.licence);
    TextTop(cr, *f.sans, 13, 378 - w, y, l.licence);
    y += 19;
  }
  SetRgb(cr, Hex(0xd8cff5));
  TextCentred(cr, *f.sans, 12, 200, 240, "Their licences are in the licenses folder beside the game.");
  SetRgb(cr, kMuted);
  TextCentred(cr, *f.sans, 13, 200, 268, "Return or Esc: back to the menu");
  return c;
}

std::unique_ptr<Canvas> DrawInstructionsPanel(Fonts& f) {
  auto c = std::make_unique<Canvas>(710, 460);
  cairo_t* cr = c->cr();
  // The title loop starts the text 7 pixels in from the left and 6 from the
  // top: tight corners and a rim hugging the edge keep that area plain.
  Panel(cr, 1.5, 1.5, 707, 457, 10, Hex(0x221b55), Hex(0x161138), kGold, 3.5);
  // Signature in the free space under the text.
  SetRgb(cr, kGold, 0.8);
  TextTop(cr, *f.display, 22, 560, 418, "Quillory");
  Star(cr, 540, 433, 6, 2, 4, 0);
  Fill(cr, kGold, 0.8);
  return c;
}

std::unique_ptr<Canvas> DrawQuit(Fonts& f) {
  auto c = std::make_unique<Canvas>(582, 196);
  cairo_t* cr = c->cr();
  Panel(cr, 1.5, 1.5, 579, 193, 24, Hex(0x35297a), Hex(0x1c1549), kGold);
  SetRgb(cr, kGoldLight);
  TextCentred(cr, *f.serif, 46, 291, 14, "Quit this game?");
  SetRgb(cr, Hex(0xd8cff5));
  TextCentred(cr, *f.sans, 17, 291, 76, "The score you have so far goes to the hiscore table.");
  // Key caps: Y quits, N goes back to the board.
  struct Key {
    const char* key;
    const char* label;
    double x;
    Rgb colour;
  };
  const Key keys[] = {{"Y", "Quit", 130, Hex(0xe0606e)}, {"N", "Keep playing", 320, Hex(0x5fd08a)}};
  for (const Key& k : keys) {
    RoundedRect(cr, k.x, 118, 44, 44, 9);
    cairo_pattern_t* cap = Vertical(118, 162, {{0, Hex(0xfdf6e3)}, {1, Hex(0xd9ccaa)}});
    cairo_set_source(cr, cap);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(cap);
    cairo_set_line_width(cr, 2.5);
    SetRgb(cr, k.colour);
    cairo_stroke(cr);
    SymbolText(cr, *f.display, 28, k.x + 22, 140, k.key, kInk, kInk, 0.01);
    SetRgb(cr, kCream);
    TextTop(cr, *f.sans, 22, k.x + 56, 126, k.label);
  }
  return c;
}

std::unique_ptr<Canvas> DrawLoading(Fonts& f) {
  auto c = std::make_unique<Canvas>(152, 40);
  cairo_t* cr = c->cr();
  Panel(cr, 1.5, 1.5, 149, 37, 18.5, kPanelTop, kPanelBottom, kGold);
  SetRgb(cr, kCream);
  TextCentred(cr, *f.sans, 19, 82, 8, "Loading...");
  Star(cr, 20, 20, 6, 2, 4, 0);
  Fill(cr, kGold);
  return c;
}

std::unique_ptr<Canvas> DrawPointer() {
  auto c = std::make_unique<Canvas>(24, 24);
  cairo_t* cr = c->cr();
  // The tip is the hot spot and sits on the top-left pixel.
  auto arrow = [cr](double dx, double dy) {
    cairo_move_to(cr, 0.6 + dx, 0.6 + dy);
    cairo_line_to(cr, 0.6 + dx, 19.5 + dy);
    cairo_line_to(cr, 5.2 + dx, 15.3 + dy);
    cairo_line_to(cr, 8.6 + dx, 22.6 + dy);
    cairo_line_to(cr, 11.8 + dx, 21.2 + dy);
    cairo_line_to(cr, 8.4 + dx, 14.1 + dy);
    cairo_line_to(cr, 14.6 + dx, 14.1 + dy);
    cairo_close_path(cr);
  };
  arrow(1.4, 1.2);
  SetRgb(cr, Hex(0x05030e), 0.35);
  cairo_fill(cr);
  arrow(0, 0);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 12, 22);
  cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 1);
  cairo_pattern_add_color_stop_rgb(p, 1, kGoldLight.r, kGoldLight.g, kGoldLight.b);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  cairo_set_line_width(cr, 1.2);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  SetRgb(cr, Hex(0x1c1240));
  cairo_stroke(cr);
  return c;
}

std::unique_ptr<Canvas> DrawBall() {
  auto c = std::make_unique<Canvas>(14, 14);
  cairo_t* cr = c->cr();
  cairo_pattern_t* p = cairo_pattern_create_radial(5.5, 5.2, 0.5, 7, 7, 7);
  cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 0.95, 1);
  cairo_pattern_add_color_stop_rgba(p, 0.35, 1, 0.86, 0.45, 1);
  cairo_pattern_add_color_stop_rgba(p, 0.75, 0.95, 0.55, 0.25, 0.7);
  cairo_pattern_add_color_stop_rgba(p, 1, 0.9, 0.4, 0.6, 0);
  cairo_arc(cr, 7, 7, 7, 0, 2 * M_PI);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  return c;
}

std::unique_ptr<Canvas> DrawLittleFrame() {
  auto c = std::make_unique<Canvas>(106, 106);
  cairo_t* cr = c->cr();
  // Only the outer three pixels show: the thumbnail covers the inside.
  RoundedRect(cr, 0, 0, 106, 106, 5);
  RoundedRect(cr, 3, 3, 100, 100, 1);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_pattern_t* g = GoldDiagonal(0, 0, 106, 106);
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  RoundedRect(cr, 2.5, 2.5, 101, 101, 1);
  cairo_set_line_width(cr, 1);
  SetRgb(cr, kGoldDark);
  cairo_stroke(cr);
  return c;
}

std::unique_ptr<Canvas> DrawLevelEmpty(Fonts& f) {
  auto c = std::make_unique<Canvas>(100, 100);
  cairo_t* cr = c->cr();
  cairo_rectangle(cr, 0, 0, 100, 100);
  FillPattern(cr, Vertical(0, 100, {{0, Hex(0x2a2163)}, {1, Hex(0x161138)}}));
  Lattice(cr, 100, 100, 12, 0.06);
  // A picture still to come: a small framed landscape, dimmed, with a sparkle.
  RoundedRect(cr, 24, 14, 52, 40, 4);
  SetRgb(cr, Hex(0x3a2f86));
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, 2);
  SetRgb(cr, kMuted, 0.8);
  cairo_stroke(cr);
  cairo_move_to(cr, 26, 52);
  cairo_line_to(cr, 40, 34);
  cairo_line_to(cr, 49, 44);
  cairo_line_to(cr, 57, 36);
  cairo_line_to(cr, 74, 52);
  cairo_close_path(cr);
  SetRgb(cr, kMuted, 0.7);
  cairo_fill(cr);
  cairo_arc(cr, 64, 24, 4.5, 0, 2 * M_PI);
  SetRgb(cr, kGoldLight, 0.8);
  cairo_fill(cr);
  SetRgb(cr, kGoldLight);
  TextCentred(cr, *f.display, 18, 50, 62, "Level 1");
  LiftBlack(*c, 24);
  return c;
}

std::unique_ptr<Canvas> DrawIcon(Fonts& f, int kind) {
  auto c = std::make_unique<Canvas>(75, 75);
  cairo_t* cr = c->cr();
  switch (kind) {
    case 1:
      Coin(cr, Hex(0x8a4fe0));
      SymbolText(cr, *f.display, 52, 37.5, 38.5, "?", Hex(0xffffff), kSymbolLine, 5);
      break;
    case 2: {
      Coin(cr, Hex(0xf08a24));
      // The 2 x 2 block it shows, behind the number.
      for (int i = 0; i < 4; ++i) {
        RoundedRect(cr, 22 + (i % 2) * 16, 22 + (i / 2) * 16, 14, 14, 3);
        SetRgb(cr, Hex(0xffffff), 0.22);
        cairo_fill(cr);
      }
      SymbolText(cr, *f.display, 50, 37.5, 38, "4", Hex(0xffffff), kSymbolLine, 5);
      break;
    }
    case 3: {
      // A glowing frame: the game shows the square's picture and number in
      // the 65 x 65 window inside it.
      RoundedRect(cr, 0.5, 0.5, 74, 74, 9);
      RoundedRect(cr, 6, 6, 63, 63, 3);
      cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
      cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 75, 75);
      cairo_pattern_add_color_stop_rgb(g, 0, 0.55, 0.95, 1.0);
      cairo_pattern_add_color_stop_rgb(g, 0.5, 1.0, 1.0, 1.0);
      cairo_pattern_add_color_stop_rgb(g, 1, 0.35, 0.75, 1.0);
      cairo_set_source(cr, g);
      cairo_fill(cr);
      cairo_pattern_destroy(g);
      cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
      RoundedRect(cr, 0.5, 0.5, 74, 74, 9);
      cairo_set_line_width(cr, 1);
      SetRgb(cr, Hex(0x1b4f8a));
      cairo_stroke(cr);
      for (auto [x, y] : {std::pair{4.5, 4.5}, {70.5, 4.5}, {4.5, 70.5}, {70.5, 70.5}}) {
        Star(cr, x, y, 5, 1.8, 4, 0);
        Fill(cr, Hex(0xffffff));
      }
      break;
    }
    case 4:
      Coin(cr, Hex(0x1aa5a8));
      DoubleArrow(cr, false);
      break;
    case 5:
      Coin(cr, Hex(0x3aa84a));
      DoubleArrow(cr, true);
      break;
    case 6:
      Coin(cr, Hex(0xd8344a));
      SymbolText(cr, *f.display, 44, 37.5, 38.5, "M", Hex(0xffffff), kSymbolLine, 5);
      break;
    case 7:
      Coin(cr, Hex(0xe2569c));
      PairCards(cr);
      break;
  }
  return c;
}

// ------------------------------------------------------------------ the archive's pictures

void Hills(cairo_t* cr, Rng& rng, double w, double base, double amp, double step, Rgb colour,
           double bottom) {
  cairo_move_to(cr, 0, bottom);
  double phase1 = rng.Range(0, 6.28), phase2 = rng.Range(0, 6.28);
  for (double x = 0; x <= w + step; x += step) {
    double y = base + amp * (0.6 * std::sin(x / 97.0 + phase1) + 0.4 * std::sin(x / 41.0 + phase2));
    cairo_line_to(cr, x, y);
  }
  cairo_line_to(cr, w, bottom);
  cairo_close_path(cr);
  SetRgb(cr, colour);
  cairo_fill(cr);
}

std::unique_ptr<Canvas> DrawStartScreen(Fonts& f) {
  auto c = std::make_unique<Canvas>(1024, 768);
  cairo_t* cr = c->cr();
  Rng rng(0x5747);
  cairo_rectangle(cr, 0, 0, 1024, 768);
  FillPattern(cr, Vertical(0, 768, {{0, Hex(0x15113c)},
                                    {0.36, Hex(0x33205e)},
                                    {0.52, Hex(0x8a4f86)},
                                    {0.62, Hex(0xf0b08a)},
                                    {0.70, Hex(0xb26a86)},
                                    {1, Hex(0x2a1a4c)}}));
  StarField(cr, rng, 160, 1024, 330);
  // The light behind the horizon, where the restore question appears. The
  // question runs nearly from edge to edge: a band of light under all of it.
  Glow(cr, 512, 492, 330, Hex(0xffe2b8), 0.55);
  {
    cairo_pattern_t* band = cairo_pattern_create_linear(0, 410, 0, 520);
    cairo_pattern_add_color_stop_rgba(band, 0, 1, 0.886, 0.722, 0);
    cairo_pattern_add_color_stop_rgba(band, 0.35, 1, 0.886, 0.722, 0.6);
    cairo_pattern_add_color_stop_rgba(band, 1, 1, 0.886, 0.722, 0.6);
    cairo_rectangle(cr, 0, 410, 1024, 110);
    cairo_set_source(cr, band);
    cairo_fill(cr);
    cairo_pattern_destroy(band);
  }
  Hills(cr, rng, 1024, 520, 22, 8, Hex(0x6c3c78), 768);
  Hills(cr, rng, 1024, 565, 26, 8, Hex(0x472a66), 768);
  Hills(cr, rng, 1024, 620, 18, 8, Hex(0x2a1a4c), 768);
  // The ground under the prompts fades in below the last hills.
  {
    cairo_pattern_t* ground = cairo_pattern_create_linear(0, 628, 0, 768);
    cairo_pattern_add_color_stop_rgba(ground, 0, 0.13, 0.08, 0.25, 0);
    cairo_pattern_add_color_stop_rgba(ground, 0.3, 0.13, 0.08, 0.25, 1);
    cairo_pattern_add_color_stop_rgba(ground, 1, 0.08, 0.06, 0.2, 1);
    cairo_rectangle(cr, 0, 628, 1024, 140);
    cairo_set_source(cr, ground);
    cairo_fill(cr);
    cairo_pattern_destroy(ground);
  }
  Bokeh(cr, rng, 14, 0, 200, 1024, 600, 14, 50);

  // Cards drifting at both sides.
  struct Card {
    double x, y, size, angle;
    int number;
  };
  const Card cards[] = {
      {110, 225, 88, -0.22, 0}, {250, 335, 70, 0.18, 17}, {95, 372, 60, 0.12, 0},
      {170, 570, 64, -0.3, 5},  {915, 225, 88, 0.2, 0},   {775, 335, 70, -0.16, 17},
      {935, 372, 60, -0.1, 23}, {850, 570, 64, 0.28, 0},
  };
  for (const Card& k : cards) {
    Glow(cr, k.x, k.y, k.size, Hex(0xffd9a0), 0.18);
    FloatingCard(cr, f, k.x, k.y, k.size, k.angle, k.number);
  }

  // The name, gold with a dark outline and a soft glow.
  const double px = 100, baseline = 112;
  double w = TextWidth(cr, *f.display, px, "Quillory");
  double x = 512 - w / 2;
  for (int i = 6; i >= 1; --i) {
    TextPathAt(cr, *f.display, px, x, baseline, "Quillory");
    cairo_set_line_width(cr, 6 + i * 5);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    SetRgb(cr, Hex(0xffb86b), 0.05);
    cairo_stroke(cr);
  }
  TextPathAt(cr, *f.display, px, x, baseline, "Quillory");
  cairo_set_line_width(cr, 8);
  SetRgb(cr, Hex(0x1d0f3a));
  cairo_stroke_preserve(cr);
  cairo_pattern_t* g = Vertical(baseline - 75, baseline + 10,
                                {{0, Hex(0xfff4c8)}, {0.5, Hex(0xf3c25a)}, {1, Hex(0xc07a2a)}});
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
  // A quill's feather beside the name.
  cairo_save(cr);
  cairo_translate(cr, x + w + 26, baseline - 40);
  cairo_rotate(cr, 0.55);
  cairo_move_to(cr, 0, -48);
  cairo_curve_to(cr, 22, -30, 18, 20, 0, 44);
  cairo_curve_to(cr, -16, 20, -20, -30, 0, -48);
  cairo_close_path(cr);
  cairo_pattern_t* fe = Vertical(-48, 44, {{0, Hex(0xfdf3ff)}, {1, Hex(0xb59be8)}});
  cairo_set_source(cr, fe);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(fe);
  cairo_set_line_width(cr, 2);
  SetRgb(cr, Hex(0x1d0f3a));
  cairo_stroke(cr);
  cairo_move_to(cr, 0, -40);
  cairo_line_to(cr, 0, 58);
  cairo_set_line_width(cr, 2);
  SetRgb(cr, Hex(0x5a3f8c));
  cairo_stroke(cr);
  cairo_restore(cr);

  // The hiscore card: names at x 388, scores at x 588, rows from y 180 every 30.
  SoftShadow(cr, 372, 146, 324, 280, 16, 10, 0.45);
  RoundedRect(cr, 372, 146, 324, 280, 16);
  FillPattern(cr, Vertical(146, 426, {{0, Hex(0xfbf3de)}, {1, Hex(0xf2e6c8)}}));
  RoundedRect(cr, 372, 146, 324, 280, 16);
  cairo_set_line_width(cr, 3);
  g = GoldDiagonal(372, 146, 324, 280);
  cairo_set_source(cr, g);
  cairo_stroke(cr);
  cairo_pattern_destroy(g);
  for (int i = 0; i < 8; ++i) {
    if (i % 2 == 1) continue;
    RoundedRect(cr, 380, 177 + 30 * i, 308, 28, 7);
    SetRgb(cr, Hex(0xb48ad8), 0.10);
    cairo_fill(cr);
  }
  SetRgb(cr, Hex(0x7a4a98));
  TextCentred(cr, *f.sans, 14, 534, 154, "BEST SCORES");
  cairo_move_to(cr, 578.5, 180);
  cairo_line_to(cr, 578.5, 412);
  cairo_set_line_width(cr, 1);
  SetRgb(cr, Hex(0xb48ad8), 0.5);
  cairo_stroke(cr);
  LiftBlack(*c, 24);
  return c;
}

// A painted valley in the morning light, uncovered piece by piece during play.
// Selected squares show their piece under a blue number, so the scene keeps
// to light and middle tones everywhere.
std::unique_ptr<Canvas> DrawLevelPicture() {
  auto c = std::make_unique<Canvas>(600, 600);
  cairo_t* cr = c->cr();
  Rng rng(0x1EAF);
  // Sky.
  cairo_rectangle(cr, 0, 0, 600, 600);
  FillPattern(cr, Vertical(0, 360, {{0, Hex(0x8ec8ff)},
                                    {0.4, Hex(0xc9b8ff)},
                                    {0.72, Hex(0xffc1d6)},
                                    {1, Hex(0xffe2a0)}}));
  // Sun with halo.
  Glow(cr, 410, 300, 190, Hex(0xfff6c8), 0.7);
  cairo_arc(cr, 410, 300, 46, 0, 2 * M_PI);
  Fill(cr, Hex(0xfff2b0));
  // Clouds.
  auto cloud = [&](double x, double y, double s, double a) {
    for (int i = 0; i < 6; ++i) {
      double dx = (i - 2.5) * 16 * s, dy = -std::sin(i * 0.9) * 8 * s;
      cairo_arc(cr, x + dx, y + dy, (14 + (i % 3) * 6) * s, 0, 2 * M_PI);
    }
    SetRgb(cr, Hex(0xfffafd), a);
    cairo_fill(cr);
  };
  cloud(120, 90, 1.3, 0.75);
  cloud(470, 140, 1.0, 0.7);
  cloud(300, 210, 0.8, 0.55);
  cloud(560, 60, 0.7, 0.6);
  // Birds.
  for (int i = 0; i < 6; ++i) {
    double x = 250 + i * 22 + rng.Range(-6, 6), y = 120 + rng.Range(-14, 14);
    cairo_move_to(cr, x - 7, y - 3);
    cairo_curve_to(cr, x - 4, y - 6, x - 1, y - 3, x, y);
    cairo_curve_to(cr, x + 1, y - 3, x + 4, y - 6, x + 7, y - 3);
  }
  cairo_set_line_width(cr, 1.8);
  SetRgb(cr, Hex(0x6a4a8a));
  cairo_stroke(cr);
  // A hot-air balloon.
  {
    const double bx = 140, by = 200, r = 46;
    const Rgb stripes[] = {Hex(0xe8413c), Hex(0xffd23f), Hex(0x1fb5a8), Hex(0xffd23f),
                           Hex(0xe8413c), Hex(0x6b4fd8)};
    for (int i = 0; i < 6; ++i) {
      cairo_save(cr);
      cairo_move_to(cr, bx, by + r + 18);
      cairo_arc(cr, bx, by, r, M_PI - 0.35 + (i) * (M_PI + 0.7) / 6,
                M_PI - 0.35 + (i + 1) * (M_PI + 0.7) / 6);
      cairo_close_path(cr);
      SetRgb(cr, stripes[i]);
      cairo_fill(cr);
      cairo_restore(cr);
    }
    cairo_arc(cr, bx - 14, by - 18, 14, 0, 2 * M_PI);
    SetRgb(cr, Hex(0xffffff), 0.2);
    cairo_fill(cr);
    cairo_move_to(cr, bx - 14, by + r + 10);
    cairo_line_to(cr, bx - 8, by + r + 30);
    cairo_move_to(cr, bx + 14, by + r + 10);
    cairo_line_to(cr, bx + 8, by + r + 30);
    cairo_set_line_width(cr, 1.5);
    SetRgb(cr, Hex(0x4a2c1a));
    cairo_stroke(cr);
    RoundedRect(cr, bx - 10, by + r + 28, 20, 14, 3);
    Fill(cr, Hex(0x8a5a2b));
  }
  // Mountains, far to near, with snow caps.
  auto mountains = [&](double base, double height, int peaks, Rgb colour, Rgb snow, double seed) {
    Rng mr(static_cast<uint64_t>(seed));
    std::vector<std::pair<double, double>> pts;
    pts.push_back({0, base});
    double step = 600.0 / peaks;
    for (int i = 0; i < peaks; ++i) {
      double px = step * i + mr.Range(step * 0.3, step * 0.7);
      double py = base - height * mr.Range(0.55, 1.0);
      pts.push_back({px - step * 0.2, base - height * 0.3});
      pts.push_back({px, py});
    }
    pts.push_back({600, base - height * 0.3});
    pts.push_back({600, base});
    cairo_move_to(cr, 0, 600);
    for (auto& [x, y] : pts) cairo_line_to(cr, x, y);
    cairo_line_to(cr, 600, 600);
    cairo_close_path(cr);
    SetRgb(cr, colour);
    cairo_fill(cr);
    for (size_t i = 2; i + 1 < pts.size(); i += 2) {
      auto [px, py] = pts[i];
      double cap = height * 0.16;
      cairo_move_to(cr, px, py);
      cairo_line_to(cr, px - cap * 0.9, py + cap);
      cairo_line_to(cr, px - cap * 0.3, py + cap * 0.75);
      cairo_line_to(cr, px + cap * 0.1, py + cap * 1.05);
      cairo_line_to(cr, px + cap * 0.9, py + cap);
      cairo_close_path(cr);
      SetRgb(cr, snow, 0.9);
      cairo_fill(cr);
    }
  };
  mountains(360, 150, 4, Hex(0xc0a6e6), Hex(0xfff4fa), 11);
  mountains(380, 110, 5, Hex(0xa58ad8), Hex(0xfaf2ff), 23);
  // The lake, mirroring the sky.
  cairo_rectangle(cr, 0, 372, 600, 110);
  FillPattern(cr, Vertical(372, 482, {{0, Hex(0xffe0b0)}, {0.4, Hex(0xb6e6f4)}, {1, Hex(0x7ec4ec)}}));
  for (int i = 0; i < 26; ++i) {
    double y = 378 + i * 4, half = 60 - i * 2 + rng.Range(-6, 6);
    cairo_move_to(cr, 410 - half, y);
    cairo_line_to(cr, 410 + half, y);
  }
  cairo_set_line_width(cr, 1.6);
  SetRgb(cr, Hex(0xfff4c0), 0.55);
  cairo_stroke(cr);
  for (int i = 0; i < 40; ++i) {
    double x = rng.Range(0, 600), y = rng.Range(380, 478), l = rng.Range(8, 26);
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x + l, y);
  }
  cairo_set_line_width(cr, 1);
  SetRgb(cr, Hex(0xffffff), 0.25);
  cairo_stroke(cr);
  // A sailing boat.
  cairo_move_to(cr, 200, 440);
  cairo_line_to(cr, 250, 440);
  cairo_line_to(cr, 242, 450);
  cairo_line_to(cr, 208, 450);
  cairo_close_path(cr);
  Fill(cr, Hex(0x7a3b2a));
  cairo_move_to(cr, 226, 438);
  cairo_line_to(cr, 226, 396);
  cairo_line_to(cr, 246, 434);
  cairo_close_path(cr);
  Fill(cr, Hex(0xfdf6e8));
  cairo_move_to(cr, 223, 438);
  cairo_line_to(cr, 223, 404);
  cairo_line_to(cr, 206, 434);
  cairo_close_path(cr);
  Fill(cr, Hex(0xffd23f));
  // Meadows.
  Hills(cr, rng, 600, 470, 12, 6, Hex(0xa6e07a), 600);
  Hills(cr, rng, 600, 505, 16, 6, Hex(0x8cd468), 600);
  Hills(cr, rng, 600, 548, 12, 6, Hex(0x78c85a), 600);
  // A winding path.
  cairo_move_to(cr, 330, 600);
  cairo_curve_to(cr, 300, 560, 380, 530, 468, 486);
  cairo_curve_to(cr, 400, 530, 340, 560, 378, 600);
  cairo_close_path(cr);
  Fill(cr, Hex(0xe6c58a));
  // A cottage with warm windows.
  {
    const double hx = 452, hy = 452;
    cairo_rectangle(cr, hx, hy, 48, 34);
    Fill(cr, Hex(0xf3e2c0));
    cairo_move_to(cr, hx - 6, hy + 2);
    cairo_line_to(cr, hx + 24, hy - 24);
    cairo_line_to(cr, hx + 54, hy + 2);
    cairo_close_path(cr);
    Fill(cr, Hex(0xc2412d));
    cairo_rectangle(cr, hx + 7, hy + 10, 10, 10);
    cairo_rectangle(cr, hx + 31, hy + 10, 10, 10);
    Fill(cr, Hex(0xffd75e));
    cairo_rectangle(cr, hx + 20, hy + 16, 9, 18);
    Fill(cr, Hex(0x6e3b22));
    cairo_rectangle(cr, hx + 34, hy - 20, 7, 14);
    Fill(cr, Hex(0x8a4a30));
    for (int i = 0; i < 4; ++i) {
      cairo_arc(cr, hx + 38 + i * 5, hy - 26 - i * 9, 4 + i * 1.5, 0, 2 * M_PI);
    }
    SetRgb(cr, Hex(0xffffff), 0.4);
    cairo_fill(cr);
  }
  // Trees: pines on the left, round trees on the right.
  auto pine = [&](double x, double base, double h) {
    cairo_rectangle(cr, x - 2.5, base - h * 0.2, 5, h * 0.2);
    Fill(cr, Hex(0x5a3a22));
    for (int k = 0; k < 3; ++k) {
      double top = base - h + k * h * 0.22, width = h * (0.22 + k * 0.09);
      cairo_move_to(cr, x, top);
      cairo_line_to(cr, x - width, top + h * 0.38);
      cairo_line_to(cr, x + width, top + h * 0.38);
      cairo_close_path(cr);
      SetRgb(cr, Mix(Hex(0x3f9a58), Hex(0x72c878), k * 0.3));
      cairo_fill(cr);
    }
  };
  for (int i = 0; i < 7; ++i) pine(20 + i * 26 + rng.Range(-6, 6), 500 + rng.Range(-8, 10), rng.Range(50, 78));
  auto round_tree = [&](double x, double base, double r, Rgb leaf) {
    cairo_rectangle(cr, x - 3, base - r, 6, r);
    Fill(cr, Hex(0x6b4226));
    cairo_arc(cr, x, base - r * 1.3, r, 0, 2 * M_PI);
    SetRgb(cr, leaf);
    cairo_fill(cr);
    cairo_arc(cr, x - r * 0.3, base - r * 1.55, r * 0.45, 0, 2 * M_PI);
    SetRgb(cr, Hex(0xffffff), 0.15);
    cairo_fill(cr);
  };
  round_tree(540, 500, 22, Hex(0x6cc860));
  round_tree(575, 520, 18, Hex(0xf39c4a));
  round_tree(520, 540, 16, Hex(0xe85a7a));
  // Flowers across the foreground.
  const Rgb petals[] = {Hex(0xff5a6e), Hex(0xffd23f), Hex(0xffffff), Hex(0xb06bff), Hex(0xff8ad0),
                        Hex(0x5ad1ff)};
  for (int i = 0; i < 170; ++i) {
    double x = rng.Range(0, 600), y = rng.Range(520, 598);
    if (x > 300 && x < 400 && y > 540) continue;  // keep the path clear
    double r = rng.Range(2.2, 4.6) * (0.6 + (y - 520) / 140);
    cairo_move_to(cr, x, y + r);
    cairo_line_to(cr, x, y + r * 3);
    cairo_set_line_width(cr, 1);
    SetRgb(cr, Hex(0x4f9a45));
    cairo_stroke(cr);
    Rgb p = petals[rng.Next() % 6];
    for (int k = 0; k < 5; ++k) {
      double a = k * 2 * M_PI / 5;
      cairo_arc(cr, x + std::cos(a) * r * 0.8, y + std::sin(a) * r * 0.8, r * 0.6, 0, 2 * M_PI);
    }
    SetRgb(cr, p);
    cairo_fill(cr);
    cairo_arc(cr, x, y, r * 0.35, 0, 2 * M_PI);
    SetRgb(cr, Hex(0xffb02e));
    cairo_fill(cr);
  }
  // Butterflies.
  for (auto [x, y, col] : {std::tuple{90.0, 470.0, Hex(0xffa0d8)}, {300.0, 505.0, Hex(0x8ae0ff)}}) {
    for (int s = -1; s <= 1; s += 2) {
      cairo_save(cr);
      cairo_translate(cr, x, y);
      cairo_scale(cr, s, 1);
      cairo_move_to(cr, 0, 0);
      cairo_curve_to(cr, 4, -12, 14, -10, 10, 0);
      cairo_curve_to(cr, 12, 6, 4, 10, 0, 0);
      SetRgb(cr, col);
      cairo_fill(cr);
      cairo_restore(cr);
    }
  }
  LiftBlack(*c, 24);
  return c;
}

std::unique_ptr<Canvas> DrawDemoEnding(Fonts& f) {
  auto c = std::make_unique<Canvas>(600, 600);
  cairo_t* cr = c->cr();
  Rng rng(0xD3E0);
  cairo_pattern_t* p = cairo_pattern_create_radial(300, 260, 30, 300, 300, 460);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.42, 0.25, 0.62);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.08, 0.06, 0.2);
  cairo_rectangle(cr, 0, 0, 600, 600);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  StarField(cr, rng, 90, 600, 600);
  // Fireworks.
  const Rgb sparks[] = {Hex(0xffd23f), Hex(0xff6f91), Hex(0x6fe3ff), Hex(0xa8ff7a), Hex(0xc59bff)};
  struct Burst {
    double x, y, r;
  };
  const Burst bursts[] = {{110, 110, 80}, {480, 90, 70}, {520, 300, 60}, {80, 330, 55}, {300, 60, 45}};
  for (int b = 0; b < 5; ++b) {
    const Burst& k = bursts[b];
    Rgb col = sparks[b];
    Glow(cr, k.x, k.y, k.r * 1.2, col, 0.25);
    int rays = 22;
    for (int i = 0; i < rays; ++i) {
      double a = i * 2 * M_PI / rays + b;
      double r0 = k.r * 0.25, r1 = k.r * rng.Range(0.8, 1.0);
      cairo_move_to(cr, k.x + std::cos(a) * r0, k.y + std::sin(a) * r0);
      cairo_line_to(cr, k.x + std::cos(a) * r1, k.y + std::sin(a) * r1);
      cairo_set_line_width(cr, 2);
      cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
      SetRgb(cr, col, 0.8);
      cairo_stroke(cr);
      cairo_arc(cr, k.x + std::cos(a) * (r1 + 5), k.y + std::sin(a) * (r1 + 5), 2.2, 0, 2 * M_PI);
      SetRgb(cr, Hex(0xffffff), 0.9);
      cairo_fill(cr);
    }
  }
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  // Confetti.
  for (int i = 0; i < 120; ++i) {
    cairo_save(cr);
    cairo_translate(cr, rng.Range(0, 600), rng.Range(0, 600));
    cairo_rotate(cr, rng.Range(0, M_PI));
    cairo_rectangle(cr, -4, -2, 8, 4);
    SetRgb(cr, sparks[rng.Next() % 5], 0.85);
    cairo_fill(cr);
    cairo_restore(cr);
  }
  // The banner.
  SoftShadow(cr, 60, 180, 480, 250, 26, 12, 0.55);
  Panel(cr, 60, 180, 480, 250, 26, Hex(0x35297a), Hex(0x1c1549), kGold);
  auto big = [&](double px, double baseline, const char* text) {
    OutlinedText(cr, *f.display, px, 300, baseline, text, kGoldLight, Hex(0x1d0f3a), 6);
  };
  big(64, 258, "Thank you");
  big(40, 306, "for playing!");
  SetRgb(cr, kCream);
  TextCentred(cr, *f.sans, 18, 300, 326, "You have finished the Quillory demo.");
  TextCentred(cr, *f.sans, 18, 300, 350, "Your score carries on into the next round.");
  SetRgb(cr, Hex(0x7fe3ff));
  TextCentred(cr, *f.sans, 20, 300, 388, "Press Return to play again");
  // Two cards showing a found pair.
  FloatingCard(cr, f, 240, 510, 70, -0.15, 32);
  FloatingCard(cr, f, 360, 510, 70, 0.15, 32);
  Star(cr, 300, 500, 16, 6, 5, 0);
  Fill(cr, kGoldLight);
  LiftBlack(*c, 24);
  return c;
}

}  // namespace

// The desktop icon: a corner of the board, two squares still face down and
// a pair turned up between them, on the board's night plate with its gold
// rim. Drawn on a 256 x 256 grid; the caller scales it to every size.
void DrawAppIcon(cairo_t* cr, Font& numbers) {
  const double plate = 14, plateSize = 228, plateR = 38;
  RoundedRect(cr, plate + 2, plate + 5, plateSize, plateSize, plateR);
  SetRgb(cr, Hex(0x080616), 0.35);
  cairo_fill(cr);
  RoundedRect(cr, plate, plate, plateSize, plateSize, plateR);
  FillPattern(cr, Vertical(plate, plate + plateSize, {{0, kPanelTop}, {1, kNightDeep}}));
  RoundedRect(cr, plate + 4, plate + 4, plateSize - 8, plateSize - 8, plateR - 4);
  cairo_set_line_width(cr, 8);
  SetPattern(cr, GoldDiagonal(plate, plate, plateSize, plateSize));
  cairo_stroke(cr);

  const double tile = 90, gap = 8, first = 128 - tile - gap / 2;
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 2; ++col) {
      const double x = first + col * (tile + gap), y = first + row * (tile + gap);
      cairo_save(cr);
      cairo_translate(cr, x, y);
      if (row == col) {
        // The face-down square of the board, scaled from its 75 pixels.
        cairo_scale(cr, tile / 75, tile / 75);
        DrawSquareTile(cr, false);
      } else {
        // A square turned up shows its number in blue on pale blue.
        RoundedRect(cr, 0, 0, tile, tile, 12);
        cairo_pattern_t* face = cairo_pattern_create_linear(0, 0, tile, tile);
        cairo_pattern_add_color_stop_rgb(face, 0, 0.86, 0.93, 1.0);
        cairo_pattern_add_color_stop_rgb(face, 1, 0.62, 0.76, 0.97);
        cairo_set_source(cr, face);
        cairo_fill(cr);
        cairo_pattern_destroy(face);
        RoundedRect(cr, 1, 1, tile - 2, tile - 2, 11);
        cairo_set_line_width(cr, 2);
        SetPattern(cr, GoldDiagonal(0, 0, tile, tile));
        cairo_stroke(cr);
        SymbolText(cr, numbers, 70, tile / 2, tile / 2, "7", Hex(0x1f4fb8), Hex(0xf4f8ff), 5);
      }
      cairo_restore(cr);
    }
  }
  // The board frame's gold sparkle on the plate's corner.
  Glow(cr, 226, 30, 30, kGoldLight, 0.55);
  Star(cr, 226, 30, 22, 5, 4, 0);
  Fill(cr, kGoldLight);
}

std::vector<Picture> DrawPictures(Fonts& f) {
  std::vector<Picture> out;
  auto add = [&out](std::string name, Format format, bool archived, std::unique_ptr<Canvas> c) {
    out.push_back(Picture{std::move(name), format, archived, std::move(c)});
  };
  add("gfx/bg.jpg", Format::kJpeg, false, DrawBackground(f));
  add("gfx/message frame.png", Format::kPngAlpha, false, DrawMessageFrame());
  add("gfx/square.png", Format::kPngAlpha, false, DrawSquare(false));
  add("gfx/square mark.png", Format::kPngAlpha, false, DrawSquare(true));
  add("gfx/Menu.png", Format::kPngAlpha, false, DrawMenu(f));
  add("gfx/Credits.png", Format::kPngAlpha, false, DrawCredits(f));
  add("gfx/instructions.png", Format::kPngAlpha, false, DrawInstructionsPanel(f));
  add("gfx/quit.png", Format::kPngAlpha, false, DrawQuit(f));
  add("gfx/loading.png", Format::kPngAlpha, false, DrawLoading(f));
  add("gfx/pointer.png", Format::kPngAlpha, false, DrawPointer());
  add("gfx/ball.png", Format::kPngAlpha, false, DrawBall());
  add("gfx/level-1-empty.png", Format::kPng, false, DrawLevelEmpty(f));
  add("gfx/littleframe.png", Format::kPngAlpha, false, DrawLittleFrame());
  const char* icons[] = {"gfx/questionmark.png", "gfx/4.png",  "gfx/model square.png",
                         "gfx/rowbonus.png",     "gfx/colbonus.png", "gfx/M.png", "gfx/pair.png"};
  for (int kind = 1; kind <= 7; ++kind) add(icons[kind - 1], Format::kPngAlpha, false, DrawIcon(f, kind));
  add("startscreen.jpg", Format::kJpeg, true, DrawStartScreen(f));
  add("peite.png", Format::kPng, true, DrawBoardBackdrop());
  add("stockimage_s_32662469.jpg", Format::kJpeg, true, DrawLevelPicture());
  add("demo-ending.jpg", Format::kJpeg, true, DrawDemoEnding(f));
  return out;
}

const Picture& Find(const std::vector<Picture>& pictures, const std::string& name) {
  for (const Picture& p : pictures) {
    if (p.name == name) return p;
  }
  throw std::runtime_error("no picture named " + name);
}

std::unique_ptr<Canvas> ContactSheet(const std::vector<Picture>& pictures, Fonts& f) {
  // Shelf layout: left to right, a new shelf when the width runs out.
  const int width = 2200, gap = 24, label = 22;
  struct Place {
    int x, y;
  };
  std::vector<Place> places;
  int x = gap, y = gap, shelf = 0;
  Canvas probe(1, 1);
  std::vector<std::string> labels;
  for (const Picture& p : pictures) {
    char text[160];
    std::snprintf(text, sizeof text, "%s%s  %d x %d", p.name.c_str(), p.archived ? " (archive)" : "",
                  p.canvas->width(), p.canvas->height());
    labels.push_back(text);
  }
  for (size_t i = 0; i < pictures.size(); ++i) {
    const Picture& p = pictures[i];
    int w = std::max(p.canvas->width(), static_cast<int>(TextWidth(probe.cr(), *f.sans, 13, labels[i])) + 4);
    int h = p.canvas->height();
    if (x + w + gap > width) {
      x = gap;
      y += shelf + label + gap;
      shelf = 0;
    }
    places.push_back({x, y});
    x += w + gap;
    shelf = std::max(shelf, h);
  }
  const int height = y + shelf + label + gap;
  auto sheet = std::make_unique<Canvas>(width, height);
  cairo_t* cr = sheet->cr();
  cairo_rectangle(cr, 0, 0, width, height);
  SetRgb(cr, Hex(0x2b2b36));
  cairo_fill(cr);
  for (size_t i = 0; i < pictures.size(); ++i) {
    const Picture& p = pictures[i];
    const int w = p.canvas->width(), h = p.canvas->height();
    const Place pl = places[i];
    // Checkerboard behind transparent pictures.
    for (int cy = 0; cy < h; cy += 8) {
      for (int cx = 0; cx < w; cx += 8) {
        cairo_rectangle(cr, pl.x + cx, pl.y + cy, std::min(8, w - cx), std::min(8, h - cy));
        SetRgb(cr, ((cx + cy) / 8) % 2 ? Hex(0x9a9aa6) : Hex(0xd0d0da));
        cairo_fill(cr);
      }
    }
    cairo_set_source_surface(cr, p.canvas->surface(), pl.x, pl.y);
    cairo_paint(cr);
    cairo_rectangle(cr, pl.x - 0.5, pl.y - 0.5, w + 1, h + 1);
    cairo_set_line_width(cr, 1);
    SetRgb(cr, Hex(0x55556a));
    cairo_stroke(cr);
    SetRgb(cr, Hex(0xe8e8f0));
    TextTop(cr, *f.sans, 13, pl.x, pl.y + h + 4, labels[i]);
  }
  return sheet;
}

// ------------------------------------------------------------------ previews

namespace {

void Blit(cairo_t* cr, const Picture& p, double x, double y, double scale = 1.0) {
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, scale, scale);
  cairo_set_source_surface(cr, p.canvas->surface(), 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);
}

void BlitPart(cairo_t* cr, const Picture& p, double x, double y, double w, double h, double sx,
              double sy) {
  cairo_save(cr);
  cairo_rectangle(cr, x, y, w, h);
  cairo_clip(cr);
  cairo_set_source_surface(cr, p.canvas->surface(), x - sx, y - sy);
  cairo_paint(cr);
  cairo_restore(cr);
}

void GameText(cairo_t* cr, Font& font, int px, double x, double y, const std::string& t, int r,
              int g, int b) {
  cairo_set_source_rgb(cr, r / 255.0, g / 255.0, b / 255.0);
  TextTop(cr, font, px, x, y, t);
}

int Centred(Font& font, int px, const std::string& t, int left, int band) {
  return left + (band - font.GameWidth(t, px)) / 2;
}

void WritePng(const Canvas& c, const std::string& path) {
  std::vector<uint8_t> bytes = EncodePng(c, false, 3);
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) throw std::runtime_error("cannot write " + path);
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
}

}  // namespace

void WritePreviews(const std::vector<Picture>& pics, Fonts& f,
                   const std::vector<std::string>& instructions, const std::string& dir) {
  const Picture& level = Find(pics, "stockimage_s_32662469.jpg");
  auto cellx = [](int col) { return 45 + 75 * col; };
  auto celly = [](int row) { return 36 + 75 * row; };
  auto number = [&](cairo_t* cr, int col, int row, int n) {
    std::string t = std::to_string(n);
    int x = cellx(col) + (75 - f.display->GameWidth(t, 20)) / 2, y = celly(row) + 11;
    GameText(cr, *f.display, 20, x - 1, y - 1, t, 255, 255, 255);
    GameText(cr, *f.display, 20, x, y, t, 0, 80, 200);
  };

  // The game screen in the middle of a level.
  auto game = [&](bool quit, bool show_numbers) {
    Canvas c(1024, 768);
    cairo_t* cr = c.cr();
    Blit(cr, Find(pics, "gfx/bg.jpg"), 0, 0);
    Blit(cr, Find(pics, "peite.png"), 45, 36);
    Blit(cr, Find(pics, "gfx/message frame.png"), 95, 650);
    for (int row = 0; row < 8; ++row) {
      for (int col = 0; col < 8; ++col) Blit(cr, Find(pics, "gfx/square.png"), cellx(col), celly(row));
    }
    for (int row = 0; row < 8; ++row) {
      for (int col = 0; col < 8; ++col) {
        if ((row * 3 + col * 5) % 7 < 3 || (row < 3 && col > 4)) {
          BlitPart(cr, level, cellx(col), celly(row), 75, 75, 75 * col, 75 * row);
        }
      }
    }
    Blit(cr, Find(pics, "gfx/square mark.png"), cellx(1), celly(5));
    number(cr, 1, 5, 27);
    for (auto [col, row, n] : {std::tuple{3, 1, 12}, {6, 6, 30}}) {
      BlitPart(cr, level, cellx(col) + 5, celly(row) + 5, 65, 65, 75 * col + 5, 75 * row + 5);
      number(cr, col, row, n);
    }
    const std::pair<int, std::string> panel[] = {
        {40, "Score"}, {88, "38"}, {144, "Level  1"}, {200, "Mistakes  3"}, {256, "Marks 18"},
        {312, "Password"}, {424, "Numbers Shown"}, {472, "No"}, {536, "Time"}, {592, "14:07"}};
    for (auto& [y, t] : panel) {
      GameText(cr, *f.display, 28, 648 + (376 - f.display->GameWidth(t, 28)) / 2, y, t, 200, 100, 220);
    }
    GameText(cr, *f.display, 20, 648 + (376 - f.display->GameWidth("---", 20)) / 2, 368, "---", 200,
             100, 220);
    Blit(cr, Find(pics, "gfx/littleframe.png"), 786, 650);
    Blit(cr, Find(pics, "gfx/level-1-empty.png"), 789, 653);
    const std::string msg = "Row bonus: Show 7 squares, if possible";
    GameText(cr, *f.sans, 22, Centred(*f.sans, 22, msg, 95, 500), 685, msg, 240, 240, 0);
    if (show_numbers) {
      // Every number still on the board, straight on the squares.
      for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 8; ++col) {
          std::string t = std::to_string(1 + (col * 7 + row * 3) % 32);
          int x = cellx(col) + (75 - f.display->GameWidth(t, 20)) / 2;
          GameText(cr, *f.display, 20, x, celly(row) + 11, t, 140, 140, 210);
        }
      }
    } else if (quit) {
      Blit(cr, Find(pics, "gfx/quit.png"), 221, 286);
    } else {
      Blit(cr, Find(pics, "gfx/rowbonus.png"), cellx(4), celly(3));
      double s = 0.5, off = std::trunc((1.0 - s) * 75 / 2);
      Blit(cr, Find(pics, "gfx/questionmark.png"), cellx(0) + off, celly(7) + off, s);
      Blit(cr, Find(pics, "gfx/model square.png"), cellx(5), celly(4));
      BlitPart(cr, level, cellx(5) + 5, celly(4) + 5, 65, 65, 75 * 5, 75 * 4);
      number(cr, 5, 4, 9);
      for (int i = 0; i < 4; ++i) {
        cairo_save(cr);
        cairo_translate(cr, 470 - i * 30, 380 + i * 14);
        cairo_set_source_surface(cr, Find(pics, "gfx/ball.png").canvas->surface(), 0, 0);
        cairo_paint_with_alpha(cr, 1.0 - i * 0.25);
        cairo_restore(cr);
      }
      Blit(cr, Find(pics, "gfx/pointer.png"), 478, 372);
    }
    WritePng(c, dir + (show_numbers ? "/preview-game-numbers.png"
                                    : quit ? "/preview-game-quit.png" : "/preview-game.png"));
  };
  game(false, false);
  game(true, false);
  game(false, true);

  // The title screen, alone and with each of its overlays.
  const char* names[] = {"Varnel", "Tobrin", "Ostrailen", "Dembly", "Hurlo", "Feskin", "Yorrel", "Lintorpe"};
  enum Overlay { kNone, kQuestion, kMenu, kCredits, kInstructions };
  auto title = [&](Overlay o, const char* file) {
    Canvas c(1024, 768);
    cairo_t* cr = c.cr();
    Blit(cr, Find(pics, "startscreen.jpg"), 0, 0);
    if (o == kMenu || o == kCredits || o == kInstructions) Blit(cr, Find(pics, "gfx/Menu.png"), 295, 101);
    if (o == kCredits) Blit(cr, Find(pics, "gfx/Credits.png"), 312, 185);
    if (o == kQuestion) {
      const std::string q = "Are you sure you want to restore the hiscores?";
      GameText(cr, *f.serif, 56, (1024 - f.serif->GameWidth(q, 56)) / 2, 440, q, 180, 60, 40);
    }
    if (o == kNone || o == kQuestion) {
      for (int i = 0; i < 8; ++i) {
        GameText(cr, *f.display, 18, 388, 180 + 30 * i, names[i], 180, 80, 220);
        GameText(cr, *f.display, 18, 588, 180 + 30 * i, std::to_string(100 - 10 * i), 180, 80, 220);
      }
    }
    if (o == kMenu || o == kCredits || o == kInstructions) {
      // The entry that opened the sub-screen is the one underlined.
      const double ux0 = o == kCredits ? 468 : o == kInstructions ? 440 : 402;
      const double ux1 = o == kCredits ? 569 : o == kInstructions ? 604 : 661;
      const double uy = o == kCredits ? 180 : o == kInstructions ? 211 : 244;
      cairo_move_to(cr, ux0, uy + 0.5);
      cairo_line_to(cr, ux1 + 1, uy + 0.5);
      cairo_set_line_width(cr, 1);
      cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
      cairo_stroke(cr);
    }
    if (o == kInstructions) {
      Blit(cr, Find(pics, "gfx/instructions.png"), 157, 254);
      for (size_t i = 0; i < instructions.size(); ++i) {
        GameText(cr, *f.mono, 16, 164, 260 + 16 * static_cast<int>(i), instructions[i], 240, 100, 240);
      }
    } else {
      const std::tuple<int, std::string, int, int, int> prompts[] = {
          {674, "Press M for Menu", 80, 240, 80},
          {700, "Press Return to Begin", 240, 240, 100},
          {730, "(c) 2026 Velmarch. All rights reserved.", 80, 120, 255}};
      for (auto& [y, t, r, g, b] : prompts) {
        GameText(cr, *f.thin, 30, (1024 - f.thin->GameWidth(t, 30)) / 2, y, t, r, g, b);
      }
    }
    WritePng(c, dir + "/" + file);
  };
  title(kNone, "preview-title.png");
  title(kQuestion, "preview-title-restore.png");
  title(kMenu, "preview-title-menu.png");
  title(kCredits, "preview-title-credits.png");
  title(kInstructions, "preview-title-instructions.png");

  // The demo's ending screen.
  Canvas c(1024, 768);
  cairo_t* cr = c.cr();
  Blit(cr, Find(pics, "gfx/bg.jpg"), 0, 0);
  Blit(cr, Find(pics, "demo-ending.jpg"), 45, 36);
  Blit(cr, Find(pics, "gfx/message frame.png"), 95, 650);
  Blit(cr, Find(pics, "gfx/littleframe.png"), 786, 650);
  Blit(cr, level, 789, 653, 0.167);
  WritePng(c, dir + "/preview-demo-end.png");
}

}  // namespace assetgen
