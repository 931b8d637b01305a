// Read-only paged screens: the shared page control with its keys and page stack, the text pager
// (Show TXT, including the MAKEIT log), the user directory listing, and the paged name list that
// File all ADS uses for its failures.
#ifndef SARV_UI_VIEWER_H
#define SARV_UI_VIEWER_H

#include <cstddef>
#include <string>
#include <vector>

// What a page key asks the view to do.
enum page_action {
  PAGE_IGNORE,  // key without meaning here
  PAGE_BELL,    // refused: ring and keep waiting
  PAGE_NEXT,    // show the page after this one
  PAGE_FIRST,   // back to the first page (the stack held one entry)
  PAGE_BACK,    // back to the page below the top of the stack
  PAGE_LEAVE,   // Enter at the end: leave the view or go on to the next section
  PAGE_CANCEL,  // Esc: leave the view at once
  PAGE_REDRAW,  // the terminal was resized: draw the page on show again
  PAGE_JUMP_HEAD,
  PAGE_JUMP_VOCAL,
  PAGE_JUMP_TRAN
};

// Meaning of `key` for a view whose stack holds `depth` page starts. Lower-case "d" and "u" and
// the PgDn and PgUp keys page; H, V and T (either case) jump when `jumps` is set (Show DES).
page_action page_key(int key, bool at_end, size_t depth, bool jumps);

// Writes `footer` on row 23 and reads keys until one does something; bells are rung here. Never
// returns PAGE_IGNORE or PAGE_BELL. A screen smaller than 80x24 (on entry, or resized while
// waiting) shows the "too small" message until it is large enough, then returns PAGE_REDRAW; a key
// pressed instead returns PAGE_CANCEL.
page_action page_control(const char *footer, bool at_end, size_t depth, bool jumps);

// Applies a paging action to a view's stack of page starts (the first page is never stored):
// NEXT pushes `next` and moves there, FIRST empties the stack and moves to `first`, BACK drops the
// top and moves to the new top, REDRAW stays. Returns false for every other action (the view
// decides).
template <typename Pos>
bool turn_page(page_action action, std::vector<Pos> *stack, Pos next, Pos first, Pos *at) {
  if (action == PAGE_NEXT) {
    stack->push_back(next);
    *at = next;
  } else if (action == PAGE_FIRST) {
    stack->clear();
    *at = first;
  } else if (action == PAGE_BACK) {
    stack->pop_back();
    *at = stack->back();
  } else if (action != PAGE_REDRAW) {
    return false;
  }
  return true;
}

// Show TXT: asks for a text file of the user directory and pages through it. The name may end in
// one of the program's text extensions (.txt, .pds, .pdt, .ads); without one, ".txt" is added.
void show_ascii_p();
// The file name Show TXT opens for the name typed: `name` itself when it ends in a text
// extension, else `name` + ".txt".
std::string text_file_name(const std::string &name);
void show_ascii_header();
// Pages through the file; `name` is the name typed. The MAKEIT log ("makeit") opens at its last
// page. A file that cannot be opened ends the view silently.
void ascii_viewer(const char *full_name, const char *name);

// Offsets of the page starts after the first when the text `data` is shown from row 2 to row 21
// of an 80-column screen; the text pager pushes them all to open the log at its last page.
std::vector<long> text_page_starts(const char *data, size_t length);

// The user file directory listing.
void directory_p();

// How a name list is laid out: cell width of the "%-*s  " cells, names per row (0: let the
// screen wrap them), longest name shown, blanks after each full row, last row before a new page.
struct name_list_layout {
  int cell;
  int per_row;
  int max_chars;
  int indent;
  int last_row;
};
// Columns of the directory listing chosen from the longest name: 4, 2 or 1 per row.
name_list_layout directory_layout(size_t longest);
// Columns of the File all ADS failure list.
name_list_layout failure_layout(size_t longest);

// Shows `names` page by page from the cursor: `header` starts every page after the first,
// `footer` is the row 23 text and `extra_rows` (may be null) writes further footer rows. Returns
// when the user leaves the last page or presses Esc.
void paged_names(const std::vector<std::string> &names, const name_list_layout &layout,
                 void (*header)(), const char *footer, void (*extra_rows)());

// Entries of the directory `dir_path` in alphabetical order, "." and ".." included. Returns false
// when it cannot be read.
bool read_directory(const char *dir_path, std::vector<std::string> *names);

#endif
