// The interactive front end's menu loop.
#ifndef SARV_UI_TOVI_H
#define SARV_UI_TOVI_H

// Runs the main menu until the user quits. Returns 0.
int tovi_run();

#endif
