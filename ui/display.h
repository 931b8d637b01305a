// The two menus, the introduction pages, the user-directory dialog and the small screen routines
// every dialog shares (status row, Esc footer, pause, messages).
#ifndef SARV_UI_DISPLAY_H
#define SARV_UI_DISPLAY_H

// The program name shown on the menus and in the pause text.
extern const char *const PROGRAM_NAME;

// Smallest screen the front end draws on.
const int MIN_SCREEN_ROWS = 24;
const int MIN_SCREEN_COLS = 80;

// Rows of the shared messages.
const int MESSAGE_ROW = 22;
const int STATUS_ROW = 23;

void main_menu();
void advance_menu();

// Shows the pages of info_file until Esc.
void introduction_p();
// Footer and page keys of the introduction: returns 'd', 'u' or 27 (Esc). At the last page 'd'
// and on the first page 'u' ring the bell and are not returned.
int intro_page_control(bool at_end, bool at_first);

// Lets the user point the front end at another user directory; may end the program.
void reset_directory_p();
void reset_directory_header();
// After the banner: says so when the start-up file named a user directory that is not there
// (and offers the dialog above) or could not be written. Draws nothing when all went well.
void user_directory_notice();

// Waits while the screen is smaller than 80x24: returns 0 once it fits, 1 when the user pressed a
// key to quit instead. Draws nothing when the screen already fits.
int wait_for_screen_size();

// Row 23 text; the cursor keeps its place.
void statusline(const char *text);
void esc_footer();
// Row 23 text with the cursor left after it.
void continue_page(const char *text);
// "Press <Enter> to return to SARV Procedures  " and waits for Enter.
void user_pause();
void OutOfMemoryMsg();
void echo_free();
// Prints text whole when shorter than width, else "..." and its last width - 4 characters.
void print_fix_filename(const char *text, int width);
void doesNotExist(const char *name);
void overwriteYN(const char *name);

#endif
