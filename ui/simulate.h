// The simulator screen (procedures menu key L, and "sarv -sim"): a plant stepped under an
// optional supervisor and control data, event by event or by random walks.
#ifndef SARV_UI_SIMULATE_H
#define SARV_UI_SIMULATE_H

// Asks for the plant DES, then a supervisor DES and control data (Enter skips each), and opens
// the simulator screen. Esc at any prompt cancels. Writes nothing but the trace files the user
// saves; logs nothing.
void simulate_p();

// Loads the named DES of the user directory (supervisor and data may be null) and runs the
// simulator screen until Esc. Returns 0, or 1 when an input could not be read (a message and a
// pause were shown).
int simulate_screen(const char *plant, const char *sup, const char *data);

#endif
