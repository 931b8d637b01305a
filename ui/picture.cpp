// Picture dialog: DOT text and, where Graphviz can draw it, an SVG picture of a DES.
#include "ui/picture.h"

#include <curses.h>

#include <string>

#include "model/des_file.h"
#include "report/dot.h"
#include "ui/display.h"
#include "ui/io.h"
#include "ui/dialogs.h"

void picture_p() {
  clear();
  move(0, 0);
  addstr("PICTURE\n\nDES1.dot, DES1.svg = PICTURE (DES1)\n\n");
  if (getname("Enter name of DES1 ....  ", ".des", name1, 0) != 0) return;
  state_t size = 0, init = 0;
  state_node *des = nullptr;
  if (!getdes(name1, &size, &init, &des)) {
    move(MESSAGE_ROW, 0);
    clrtoeol();
    printw("Error reading file: %s%s.des", prefix, name1);
    user_pause();
    return;
  }
  std::string dot = std::string(prefix) + name1 + ".dot";
  std::string svg = std::string(prefix) + name1 + ".svg";
  int code = picture_files(name1, des, size, 0, dot.c_str(), svg.c_str(), "svg");
  freedes(size, &des);
  addstr("\n");
  if (code == DOT_WRITE_FAILED) {
    printw("Error writing file: %s\n", dot.c_str());
  } else {
    printw("%s.dot has been written.\n\n", name1);
    if (code == DOT_OK)
      printw("Graphviz drew it as %s.svg.\n", name1);
    else if (code == DOT_TOO_LARGE)
      printw("Not drawn: %s has %ld states; pictures are drawn up to %ld states.\n", name1,
             static_cast<long>(size), static_cast<long>(DOT_RENDER_LIMIT));
    else
      printw("Not drawn: %s.\n", dot_message(code));
  }
  user_pause();
}
