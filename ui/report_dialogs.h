// Dialogs of the report commands: File DES (to ADS, text or PostScript), File DAT (to text or
// PostScript), Print DES, Print DAT and Print TXT (to a report file or the line printer).
// Each reads its input from the user directory, refuses a file of the wrong kind, writes the
// report through a temporary file (an older report of that name survives a failed write) and
// releases what it loaded before it returns to the menu. Esc at any prompt writes nothing.
#ifndef SARV_UI_REPORT_DIALOGS_H
#define SARV_UI_REPORT_DIALOGS_H

void file_des_p();
void file_dat_p();
void print_des_p();
void print_dat_p();
void print_ascii_p();

#endif
