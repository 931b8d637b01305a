// The interchange dialogs of the procedures menu's File group: generator files (.gen) both ways
// (F then G) and a supervisor as C code (F then C).
#ifndef SARV_UI_INTERCHANGE_H
#define SARV_UI_INTERCHANGE_H

// Asks whether to export a DES or import a .gen file, then the two names; writes the output,
// says what was written (or why not, with the line of a refused file) and pauses. Esc at any
// prompt cancels. Nothing is logged.
void gen_files_p();

// Asks for a supervisor DES, optional control data and the C file; writes it and pauses.
void c_code_p();

// Prompts for the name of an existing file of kind `ext`, or none: Enter on the empty field
// leaves `name` empty. Returns 0 when answered, 1 on Esc. `name` holds MAX_NAME_LEN + 1 bytes.
int optional_name(const char *prompt, const char *ext, char *name);

#endif
