// The interactive front end's menu loop and its dispatch.
#ifndef SARV_UI_MENUS_H
#define SARV_UI_MENUS_H

// Shows the banner, then runs the main menu until the user quits. Returns 0; returns at once,
// with a line on standard error, when curses could not set up a screen.
int tovi_run();

// Main-menu dispatch for one upper-case key of "IRBTXDC".
void process_m_command(char key);
// The procedures menu, until its X.
void tcommand();
// Procedures-menu dispatch for one upper-case key; a group key reads its second key first.
void process_command(char key);
// Draws the label of every procedures-menu entry at its place.
void draw_menu_labels();

// The three switches of the main menu. The bell rings after switching, so only when turned on.
void bell_control_p();
void display_control_p();
void timing_control_p();

#endif
