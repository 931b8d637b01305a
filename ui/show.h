// Show DES and Show DAT: a DES (its size, marker states, vocal states and transitions) or the
// control data of a supervisor, shown page by page with a stack of page starts to go back.
#ifndef SARV_UI_SHOW_H
#define SARV_UI_SHOW_H

#include "model/des_data.h"

// Menu operations: ask for the name, load, show, release.
void show_des_p();
void show_dat_p();

void show_des_header();
// Clears the screen and prints the size line of a DES of n states.
void show_des_stat_header(const char *name, state_t n, state_t initial);
// Shows the loaded DES from its size line until Enter at the end of its transitions or Esc.
// H, V and T at any page jump to the size line, the vocal states or the transitions.
void show_des_r(const char *name, state_t n, const state_node *des);

void show_dat_header();
// Shows the control data of n supervisor states until Enter on the last page or Esc.
void show_dat_r(const char *name, state_t n, const state_node *des);

// Texts of one cell of the tables, chosen by the state count n (widths grow at 100000 and
// 1000000 states).
const char *vocal_cell_format(state_t n);
const char *transition_cell_format(state_t n);
int transitions_per_row(state_t n);

#endif
