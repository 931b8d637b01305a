// Front-end parts of the dialogs on vocal DES: the Convert pair screen, the Vocalize entry screen
// and the Hiconsis option. Both lists go on on a fresh screen once the entries reach the bottom,
// under the header and instructions and the entries typed so far.
#include <curses.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "model/des_file.h"
#include "model/des_supp.h"
#include "ui/dialog.h"
#include "ui/display.h"
#include "ui/io.h"

namespace {

// The Convert header, with the names typed before the list beside the formula (the list screen
// is cleared of their prompts), and the Esc footer.
void convert_header(const procedure_row &row) {
  printw("%s\n\n%s    (DES1 = %s, DES2 = %s)\n\n", row.title, row.formula, name1, name2);
  esc_footer();
}

// The Vocalize header and the Esc footer, atop each of its entry screens.
void vocalize_header(const procedure_row &row) {
  dialog_header(row);
  esc_footer();
}

// The typed entries as the log lists them: "[0,1,20],[1,2,30]".
std::string typed_triples(const dialog_data &data) {
  std::string list;
  for (state_t i = 0; i < data.n_quads; ++i)
    list += (i == 0 ? "[" : ",[") + std::to_string(data.quads[i].a) + "," +
            std::to_string(data.quads[i].b) + "," + std::to_string(data.quads[i].d) + "]";
  return list;
}

// Reads one field at (y, x) after its label, with the rule shown for a refused key or entry;
// returns the key that ended it.
long read_field(int y, int x, const char *label, long low, long high, bool star, const char *rule,
                int *key) {
  mvaddstr(y, x, label);
  return star ? readintall(key, low, high, rule) : readint(key, low, high, rule);
}

}  // namespace

// Event label pairs, one to a row: "Old value:  " and at column 25 "New value:  ", each read with
// readint(-1, 999), on a screen of their own.
int read_event_pairs(const procedure_row &row, const list_text &text, dialog_data *data) {
  clear();
  move(0, 0);
  convert_header(row);
  addstr(text.instructions);
  return read_pairs(row, text,
                    {{"Old value:  ", "New value:  "}, 25, MAX_EVENT, EVENT_RULE, convert_header},
                    data);
}

namespace {

// Why the vocalization entry [exit state (or every state), event, output] cannot be taken, or
// "" when it can: the output must lie in 10..99, a single exit state needs a transition on the
// event, and no transition it names may already have another output (the compute process would
// keep only one of them).
std::string vocal_entry_fault(const state_node *des, state_t size, long exit_state, bool every,
                              long event, long output, const quad *quads, state_t n_quads) {
  if (output < 10 || output > 99) return "vocal outputs are 10..99";
  char text[80];
  bool any = false;
  for (state_t s = every ? 0 : static_cast<state_t>(exit_state);
       s < (every ? size : exit_state + 1); ++s) {
    for (int j = 0; j < des[s].numelts; ++j) {
      if (des[s].next[j].event() != event) continue;
      int16_t other = 0;
      if (inlist_quad(quads, n_quads, s, static_cast<event_t>(event), des[s].next[j].target(),
                      &other) &&
          other != output) {
        snprintf(text, sizeof text, "[%ld,%ld] has output %d", static_cast<long>(s), event, other);
        return text;
      }
      any = true;
      break;
    }
  }
  if (any || every) return "";
  snprintf(text, sizeof text, "state %ld has no event %ld", exit_state, event);
  return text;
}

}  // namespace

// Vocalization entries [exit state, event, output], one to a row. DES1 is read first; the exit
// state may be "*" for every state with a transition on the event. An entry is legal when
// vocal_entry_fault finds nothing; the transition's first target is the entrance state. An
// illegal entry is refused with "This entry is illegal" and the reason, and read again below it.
// Past LAST_LIST_ROW (a refusal when it and the next row no longer fit) the list goes on on a
// continuation screen: header, instructions, and the entries typed so far as the log lists them.
int read_vocal_triples(const procedure_row &row, const list_text &text, dialog_data *data) {
  const int event_column = 20, output_column = 40;
  const list_text again = {text.instructions, text.instructions, false};  // instructions repeated
  state_t size = 0, init = 0;
  state_node *des = nullptr;
  if (!getdes(name1, &size, &init, &des)) {
    freedes(size, &des);
    return 1;
  }
  clear();
  move(0, 0);
  vocalize_header(row);
  addstr(text.instructions);
  int y = getcury(stdscr);
  int cancelled = 0;
  std::string states = field_rule("states", 0, size - 1) + "; * for every state, -1 ends";
  for (bool more = true; more && !mem_result;) {
    if (y > LAST_LIST_ROW) y = continue_list(row, again, typed_triples(*data), vocalize_header);
    int key = 0;
    long exit_state = read_field(y, 0, "Exit state:  ", -1, size - 1, true, states.c_str(), &key);
    bool every = key == '*';
    long event = 0, output = 0;
    if (key != KEY_ESCAPE && exit_state != -1)
      event = read_field(y, event_column, "Event:  ", -1, MAX_EVENT, false, EVENT_RULE, &key);
    if (key != KEY_ESCAPE && exit_state != -1 && event != -1)
      output = read_field(y, output_column, "Entrance state vocal output:  ", -1, 99, false,
                          "vocal outputs are 10..99", &key);
    if (key == KEY_ESCAPE) {
      cancelled = 1;
      break;
    }
    if (exit_state == -1 || event == -1 || output == -1) break;
    std::string fault =
        vocal_entry_fault(des, size, exit_state, every, event, output, data->quads, data->n_quads);
    if (fault.empty()) {
      for (state_t s = every ? 0 : static_cast<state_t>(exit_state);
           s < (every ? size : exit_state + 1) && !mem_result; ++s) {
        for (int j = 0; j < des[s].numelts; ++j) {
          if (des[s].next[j].event() != event) continue;
          int added = 0;
          add_quad(s, static_cast<event_t>(event), des[s].next[j].target(),
                   static_cast<int16_t>(output), &data->quads, data->n_quads, &added);
          if (added) ++data->n_quads;
          break;
        }
      }
      ++y;
      continue;
    }
    ring_bell();
    if (y + 4 > LAST_LIST_ROW) {  // the refused row goes on to the fresh screen, above its reason
      char refused[128] = "";
      mvinnstr(y, 0, refused, static_cast<int>(sizeof refused) - 1);
      y = continue_list(row, again, typed_triples(*data), vocalize_header);
      mvaddstr(y, 0, refused);
    }
    mvprintw(y + 2, 0, "This entry is illegal (%s); please reenter!", fault.c_str());
    y += 4;
  }
  freedes(size, &des);
  return cancelled;
}

// Hiconsis: single or multiple new outputs, then the outputs DES1 already has, for the log.
int hiconsis_prepare(const procedure_row &, dialog_data *data) {
  if (getcury(stdscr) > 15) {
    clear();
    move(0, 0);
  }
  addstr(
      "\nHierarchical consistency may require the addition of new low-level state\n"
      "outputs (i.e. high-level event labels).  Available options are:\n\n"
      "Single new state output (possibly split, in multiple new locations) (*s)\n\n"
      "or\n\n"
      "Multiple new state outputs (distinct for each new location) (m)\n\n"
      "Select (*s/m)  ");
  refresh();
  int key = read_key();
  if (key == KEY_ESCAPE) return 1;
  if (key >= 32 && key <= 126) addch(static_cast<chtype>(key));
  data->request = key == 'm' || key == 'M' ? PROC_HICONSIS : PROC_HICONSIS1;
  state_t size = 0, init = 0;
  state_node *des = nullptr;
  bool loaded = getdes(name1, &size, &init, &des);
  for (state_t s = 0; loaded && s < size && !mem_result; ++s) {
    if (des[s].vocal == 0) continue;
    int added = 0;
    addordlist(des[s].vocal, &data->outputs, data->n_outputs, &added);
    if (added) ++data->n_outputs;
  }
  freedes(size, &des);
  return loaded ? 0 : 1;
}
