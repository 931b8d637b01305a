// The Why screen: a choice among the explanation rows, their names, the request, the pager.
#include "ui/why.h"

#include <curses.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "algo/compare.h"
#include "engine/protocol.h"
#include "engine/result_messages.h"
#include "engine/why_procedures.h"
#include "model/des_file.h"
#include "ui/dialog.h"
#include "ui/display.h"
#include "ui/io.h"
#include "ui/viewer.h"

namespace {

// The topic the user picks by its number; null on Esc.
const why_topic *choose_topic() {
  clear();
  move(0, 0);
  addstr("WHY\n\nExplain a result by shortest event strings from the initial state.\n\n");
  for (int i = 0; i < WHY_TOPIC_COUNT; ++i) printw("  %d: %s\n", i + 1, WHY_TOPICS[i].choice);
  printw("\nExplain which? (1-%d)  ", WHY_TOPIC_COUNT);
  esc_footer();
  refresh();
  for (;;) {
    int key = read_key();
    if (key == KEY_ESCAPE) return nullptr;
    if (key >= '1' && key < '1' + WHY_TOPIC_COUNT) return &WHY_TOPICS[key - '1'];
    ring_bell();
  }
}

// Shows the failure's message on row 22, naming the input it is about where there is one.
void show_failure(const procedure_row &row, int code, const std::string &text_file) {
  std::string file = text_file;
  for (int i = 0; i < row.inputs && (code == MURN_INPUT_NOT_READ || code == MURN_NONDETERMINISTIC);
       ++i) {
    state_t size = 0, init = 0;
    state_node *des = nullptr;
    bool readable = getdes(NAMES[i], &size, &init, &des) != 0;
    bool found = code == MURN_INPUT_NOT_READ ? !readable : readable && checkdet(size, des) != 1;
    freedes(size, &des);
    if (found) {
      file = (code == MURN_INPUT_NOT_READ ? std::string(prefix) : "") + NAMES[i] + ".des";
      break;
    }
  }
  char line[FULL_NAME_SIZE + 96];
  snprintf(line, sizeof line, result_text(code), file.c_str());
  move(MESSAGE_ROW, 0);
  clrtoeol();
  addnstr(line, MIN_SCREEN_COLS - 1);
  user_pause();
}

}  // namespace

void why_p() {
  const why_topic *topic = choose_topic();
  if (topic == nullptr) return;
  const procedure_row &row = procedure(topic->id);
  clear();
  move(0, 0);
  dialog_header(row);
  const char *names[MAX_REQUEST_NAMES];
  for (int i = 0; i < row.inputs; ++i) {
    if (getname(row.names[i].prompt, ".des", NAMES[i], 0) != 0) return;
    addstr("\n");
    names[i] = NAMES[i];
  }
  names[row.inputs] = name1;  // filed as DES1.why.txt
  move(STATUS_ROW, 0);
  clrtoeol();
  addstr("Processing:  Please wait...");
  refresh();
  int code = run_request(row.id, names, nullptr, 0);
  remove(why_json_path().c_str());
  if (debug_mode) clearok(curscr, TRUE);
  std::string text = std::string(prefix) + name1 + WHY_TEXT_EXT;
  if (code == MURN_OK) {
    std::string shown = std::string(name1) + ".why";
    ascii_viewer(text.c_str(), shown.c_str());
  } else if (!compute_cancelled) {
    show_failure(row, code, text);
  }
}
