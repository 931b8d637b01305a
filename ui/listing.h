// Paged listings of numbered entries on the dialog screens (marker states, vocal states,
// transitions): entries in a grid of fixed columns, a pause on row 23 when a page is full, and a
// key that skips to the last page, so a listing of any length costs one key to pass.
#ifndef SARV_UI_LISTING_H
#define SARV_UI_LISTING_H

#include <cstddef>
#include <functional>

// How a listing is laid out and paged.
struct listing_layout {
  int first_column = 0;     // column of the first entry of a row
  int step = 1;             // columns from one entry to the next
  int per_row = 1;          // entries on a full row
  int top_row = 0;          // first entry row of a continuation page
  int last_row = 20;        // last row an entry may take
  const char *prompt = "";  // the pause text on row 23 when a page is full
  // Draws the top of a continuation page on a cleared screen (null: nothing).
  std::function<void()> heading;
  // True when entry i (> 0) starts a run of its own: it begins a new row after an empty one
  // (null: no runs).
  std::function<bool(size_t)> run_start;
};

// Draws entries 0..count-1 with `draw(i)` at their place, from the row of the cursor down. At a
// full page it shows the prompt and waits: Enter shows the next page, Esc or "T" the last one;
// other keys are ignored. Leaves the cursor at the start of the row after the last entry (the row
// of the cursor when count is 0). Time: O(count) drawing at most two pages per key, plus O(count)
// for a skip.
void page_listing(size_t count, const listing_layout &layout,
                  const std::function<void(size_t)> &draw);

// Number of decimal digits of a non-negative value.
int decimal_digits(long value);

// A grid of entries `width` characters wide, `min_step` columns apart (more when the entries would
// otherwise come closer than two blanks), from `first_column` up to `last_start`, the last column
// an entry may start at (less when the entry would pass column 79).
listing_layout grid_layout(int first_column, int width, int min_step, int last_start);

#endif
