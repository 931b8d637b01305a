// The simulator run mode: "sarv -sim PLANT [SUPERVISOR [DATA]]" opens the simulator screen on
// DES of the user directory of murn.ini.
#ifndef SARV_APP_SIM_COMMAND_H
#define SARV_APP_SIM_COMMAND_H

// Checks the arguments after "-sim" before any screen is set up: the count, names that stay in
// the user directory, and that the files exist. Returns 0 when the screen may open; otherwise
// prints why on standard error and returns the exit status (1 missing file, 2 usage).
int sim_arguments(const char *program, int argc, char **argv);

// Runs the simulator screen on a screen set up by the caller. Returns the exit status.
int sim_command(int argc, char **argv);

#endif
