// Interchange dialogs: names asked on the screen, the work done by model/gen_format and
// report/c_code, their one-line report shown before the pause.
#include "ui/interchange.h"

#include <curses.h>

#include <cctype>
#include <string>

#include "model/des_file.h"
#include "model/gen_format.h"
#include "report/c_code.h"
#include "ui/dialogs.h"
#include "ui/display.h"
#include "ui/io.h"

namespace {

void show_report(const std::string &message) {
  addstr("\n");
  addstr(message.c_str());
  addstr("\n");
  user_pause();
}

}  // namespace

int optional_name(const char *prompt, const char *ext, char *name) {
  for (;;) {
    if (prompt_name(prompt, name, 0)) return 1;
    if (name[0] == '\0') return 0;
    char full[FULL_NAME_SIZE];
    make_filename_ext(full, name, ext);
    if (des_name_ok(name) && exist(full)) return 0;
    ring_bell();
    doesNotExist(name);
  }
}

void gen_files_p() {
  clear();
  move(0, 0);
  addstr(
      "GENERATOR FILES (.gen)\n\nE: export a DES to NAME.gen    I: import NAME.gen as a DES\n\n");
  addstr("Export or import? (E/I)  ");
  esc_footer();
  int key;
  do {
    key = toupper(read_key());
    if (key == KEY_ESCAPE && LoneEsc()) return;
  } while (key != 'E' && key != 'I');
  addch(static_cast<chtype>(key));
  addstr("\n\n");
  std::string message;
  if (key == 'E') {
    if (getname("Enter name of DES to export ....  ", ".des", name1, 0) != 0) return;
    if (getname("Enter name of .gen file ....  ", ".gen", name2, 1) != 0) return;
    export_gen_file(name1, (std::string(name2) + ".gen").c_str(), &message);
  } else {
    if (getname("Enter name of .gen file ....  ", ".gen", name1, 0) != 0) return;
    if (getname("Enter name of new DES ....  ", ".des", name2, 1) != 0) return;
    import_gen_file((std::string(name1) + ".gen").c_str(), name2, &message);
  }
  show_report(message);
}

void c_code_p() {
  clear();
  move(0, 0);
  addstr("C CODE\n\nSUP.c = C CODE (SUP, DATA)\n\n");
  if (getname("Enter name of supervisor DES ....  ", ".des", name1, 0) != 0) return;
  if (optional_name("Enter name of control data (Enter: none) ....  ", ".dat", name2) != 0) return;
  if (getname("Enter name of C file ....  ", ".c", name3, 1) != 0) return;
  std::string message;
  c_code_file(name1, name2[0] != '\0' ? name2 : nullptr, (std::string(name3) + ".c").c_str(),
              &message);
  show_report(message);
}
