// Keyboard and key-script input of the front end: single keys, file names, integers, and the
// cursor helpers the dialogs share. Every refused key rings the bell (when the bell is on) and
// leaves the field as it was. Sources: ui/curses.cpp (keys and cursor), ui/io.cpp (fields).
#ifndef SARV_UI_IO_H
#define SARV_UI_IO_H

#include <cstddef>
#include <cstdio>
#include <string>

// Run switches of the front end (0 off, non-zero on). main sets them before the first menu.
extern int autotest;     // keys come from auto_in instead of the keyboard
extern FILE *auto_in;    // the key script, opened for binary reading
extern int ring_active;  // the bell sounds on refused keys and pauses; starts on
extern int timing_mode;  // MAKEIT entries end with the computing time; starts off

// Key codes as read_key returns them.
const int KEY_NONE = -1;  // no key pending (non-blocking reads), or byte 255 of a script
const int KEY_RETURN = 13;
const int KEY_ESCAPE = 27;

// Longest names a dialog accepts, and the size of a buffer that holds prefix + name + extension.
const int MAX_NAME_LEN = 20;
const int MAX_PATH_LEN = 79;
const size_t FULL_NAME_SIZE = 288;

// Next key. Script mode: the next byte as a signed char (byte 255 reads as KEY_NONE); the end of
// the script or a byte 26 ends the program with exit status 255. Keyboard: the curses key code,
// with the two-code keys 0,73 and 0,81 turned into 'u' and 'd'.
int read_key();
// Called right after an Esc: drains pending keys and returns 1 when the Esc stands alone (no key
// pending, or another Esc among them) and 0 when it began a terminal key sequence. A script
// marks a lone Esc with the byte 255 after it.
int LoneEsc();
// The interrupt key as a byte (Ctrl-C) when the terminal passes it on as one, or in a key script.
const int KEY_INTERRUPT = 3;
// Without waiting: takes and returns a pending Esc or Ctrl-C; leaves any other pending key (or
// script byte) for the next read and returns KEY_NONE, as it does when nothing is pending.
int peek_cancel_key();
// The next key if one comes within `milliseconds`, else KEY_NONE. Script mode: the next byte at
// once, as read_key.
int read_key_within(int milliseconds);
// Clears to the end of the line, reads one key, echoes it, returns its low 8 bits.
char get_command();

// Edits a name in place from the cursor: 8/127/263 delete, printable characters are appended up to
// max_len (never a leading blank). Returns 13 with the text copied to dst (which must hold
// max_len + 1 bytes) once validfilename accepts it, or 27 on a lone Esc with dst unchanged.
int read_filename(char *dst, int min_len, int max_len);
// As read_filename, for the name of a user file: a key the name rule (des_name_ok) does not allow
// there, a key beyond max_len, and Enter on a name the rule refuses ring the bell and show the
// rule (DES_NAME_RULE) on row 22 (row 23 when the field stands on row 22) until the next key is
// taken. So every name typed is one the compute process and `sarv -run` accept.
int read_des_name(char *dst, int min_len, int max_len);
bool validfilename(const char *text, int min_len, int max_len);
// Prompts (on a fresh screen below row 22) and reads a user-file name of min_len..20 characters
// with read_des_name; an empty name is taken when min_len is 0. Returns 1 on Esc, else 0.
int prompt_name(const char *prompt, char *name, int min_len);

// Prompts for a file name (read_des_name, 1..20 characters) and checks it against the user
// directory: an input
// (is_output 0) must exist, an existing output (is_output 1) needs the overwrite answer. `name`
// must hold MAX_NAME_LEN + 1 bytes and receives the bare name. Returns 0 on acceptance, 1 when
// the user cancelled.
int getname(const char *prompt, const char *ext, char *name, int is_output);
// As getname, but first tests the name already in `name` (a name the rule refuses is refused
// with the rule shown); prompts only if it is refused.
int getname2(const char *prompt, const char *ext, char *name, int is_output);

// Reads an integer field as wide as the longer of low and high in decimal. Sets *key to 13 and
// returns the value once validint accepts it, or sets *key to 27 and returns 0 on a lone Esc.
// A key that does not fit (a character beyond the width, a letter) and an entry validint refuses
// ring the bell and show `rule` ("events are 0..999"; null: field_rule("numbers", low, high)) on
// row 22, or row 23 when the field stands on row 22, until the next key is taken.
long readint(int *key, long low, long high, const char *rule = nullptr);
// As readint, and a field that is exactly "*" returns 0 with *key set to '*'.
long readintall(int *key, long low, long high, const char *rule = nullptr);
// The rule of every event field.
const char EVENT_RULE[] = "events are 0..999";
// "WHAT are LOW..HIGH", or "there are no WHAT" when high < low: the rule of a list field.
std::string field_rule(const char *what, long low, long high);
// "0" is valid when low <= 0 <= high; any other text is converted from its start and is valid
// when the value is non-zero and within [low, high]. So "", "-", "00" and "-0" are never valid.
bool validint(const char *text, long low, long high);

// Strips up to two leading blanks from `name` (in place), then dst = prefix + name + ext. dst must
// hold FULL_NAME_SIZE bytes; a longer result is cut short.
void make_filename_ext(char *dst, char *name, const char *ext);
bool exist(const char *full_name);

// Cursor column and row of the main screen, -1 when there is no screen.
int wherex();
int wherey();
void ring_bell();
// Scrolls the whole screen up one line (top row lost, bottom row blank); the cursor keeps its
// place.
void scroll_line();

#endif
