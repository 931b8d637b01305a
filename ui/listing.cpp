// Paged listings of numbered entries: layout, the pause between pages and the skip to the last
// page.
#include "ui/listing.h"

#include <curses.h>

#include "ui/display.h"
#include "ui/io.h"

namespace {

// Where the layout puts the next entry: its row and its place in that row.
struct listing_cursor {
  int row;
  int in_row;

  // Moves on to entry i; returns false when it does not fit below last_row on this page.
  bool advance(const listing_layout &layout, size_t i) {
    if (in_row > 0 && layout.run_start && layout.run_start(i)) {
      row += 2;
      in_row = 0;
    } else if (in_row == layout.per_row) {
      row += 1;
      in_row = 0;
    }
    return row <= layout.last_row;
  }
};

// The first entry of the last page when a fresh page starts with entry `from`.
size_t last_page_start(size_t from, size_t count, const listing_layout &layout) {
  listing_cursor at{layout.top_row, 0};
  size_t start = from;
  for (size_t i = from; i < count; i++) {
    if (!at.advance(layout, i)) {
      start = i;
      at = listing_cursor{layout.top_row, 0};
    }
    at.in_row++;
  }
  return start;
}

// Shows the prompt and waits. Returns true when the user asked for the last page.
bool pause_page(const char *prompt) {
  continue_page(prompt);
  addstr("(T or Esc: last page)  ");
  refresh();
  for (;;) {
    int key = read_key();
    if (key == KEY_RETURN) return false;
    if (key == 't' || key == 'T') return true;
    if (key == KEY_ESCAPE && LoneEsc()) return true;
  }
}

}  // namespace

void page_listing(size_t count, const listing_layout &layout,
                  const std::function<void(size_t)> &draw) {
  listing_cursor at{getcury(stdscr) + (getcurx(stdscr) > 0 ? 1 : 0), 0};
  for (size_t i = 0; i < count; i++) {
    if (!at.advance(layout, i)) {
      bool skip = pause_page(layout.prompt);
      clear();
      if (layout.heading) layout.heading();
      at = listing_cursor{layout.top_row, 0};
      if (skip) i = last_page_start(i, count, layout);
    }
    move(at.row, layout.first_column + at.in_row * layout.step);
    draw(i);
    at.in_row++;
  }
  move(at.in_row > 0 ? at.row + 1 : at.row, 0);
}

int decimal_digits(long value) {
  int digits = 1;
  for (; value >= 10; value /= 10) digits++;
  return digits;
}

listing_layout grid_layout(int first_column, int width, int min_step, int last_start) {
  listing_layout layout;
  layout.first_column = first_column;
  layout.step = width + 2 > min_step ? width + 2 : min_step;
  if (last_start > MIN_SCREEN_COLS - 1 - width) last_start = MIN_SCREEN_COLS - 1 - width;
  layout.per_row = last_start < first_column ? 1 : 1 + (last_start - first_column) / layout.step;
  return layout;
}
