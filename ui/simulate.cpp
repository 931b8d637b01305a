// Simulator screen: the current states, the events the plant enables with their standing under
// the supervisor, a key loop that fires, undoes and walks at random, the trace pager and the
// trace file. The stepping itself is algo/simulate's.
#include "ui/simulate.h"

#include <curses.h>

#include <cctype>
#include <ctime>
#include <string>
#include <vector>

#include "algo/simulate.h"
#include "model/des_file.h"
#include "model/event_names.h"
#include "model/report_file.h"
#include "ui/dialogs.h"
#include "ui/display.h"
#include "ui/interchange.h"
#include "ui/io.h"

namespace {

const int LIST_TOP = 7;     // first row of the event list
const int LIST_ROWS = 12;   // events per page (rows 7..18)
const int TRACE_ROWS = 20;  // trace lines per page (rows 2..21)
const int RANDOM_WALK = 1000;

struct sim_view {
  std::string plant_name, sup_name, data_name;
  sim_model model;
  sim_run run;
  event_names names;
  size_t page = 0;
  std::string field;  // the event number being typed ("e" may lead, for event 0)
  std::string message;
};

bool any_marked(const state_node *des, const std::vector<state_t> &states) {
  for (state_t s : states)
    if (des[s].marked) return true;
  return false;
}

// A state set as "3" or "{1, 4, 7}", cut to about `width` characters.
std::string set_text(const std::vector<state_t> &states, size_t width) {
  if (states.empty()) return "none";
  if (states.size() == 1) return std::to_string(states[0]);
  std::string text = "{";
  for (size_t i = 0; i < states.size(); i++) {
    std::string next = (i > 0 ? ", " : "") + std::to_string(states[i]);
    if (text.size() + next.size() + 1 > width) {
      text += ", ... (" + std::to_string(states.size()) + " states)";
      return text + "}";
    }
    text += next;
  }
  return text + "}";
}

const char *status_text(const sim_view &v, sim_status status) {
  if (v.model.sup == nullptr) return "";
  if (status == SIM_ALLOWED) return "allowed";
  if (status == SIM_DISABLED) return "disabled";
  return "FAULT: not followed";
}

std::string stop_text(const sim_view &v, sim_stop stop) {
  if (stop == SIM_STOP_DEADLOCK) return "deadlock: no event is allowed here";
  if (stop == SIM_STOP_BLOCKING) return "blocking: no marker state can be reached from here";
  if (stop == SIM_STOP_FAULT) {
    for (const sim_event &e : sim_events(v.model, v.run))
      if (e.status == SIM_FAULT)
        return "controllability fault: the supervisor cannot follow uncontrollable event " +
               event_label(v.names, e.event);
  }
  return "";
}

void draw(sim_view &v, const std::vector<sim_event> &events) {
  clear();
  std::string title = "SIMULATE  " + v.plant_name;
  if (v.model.sup != nullptr) title += " under " + v.sup_name;
  if (v.model.dat != nullptr) title += " with " + v.data_name;
  mvaddnstr(0, 0, title.c_str(), 79);
  mvprintw(2, 0, "Plant state:      %s%s", set_text(v.run.plant_states, 50).c_str(),
           any_marked(v.model.plant, v.run.plant_states) ? "  (marker state)" : "");
  if (v.model.sup != nullptr)
    mvprintw(3, 0, "Supervisor state: %s%s", set_text(v.run.sup_states, 50).c_str(),
             any_marked(v.model.sup, v.run.sup_states) ? "  (marker state)" : "");
  bool allowed = false;
  for (const sim_event &e : events) allowed |= e.status == SIM_ALLOWED;
  const char *state_note = !allowed                          ? "   DEADLOCK"
                           : !sim_can_finish(v.model, v.run) ? "   BLOCKING"
                           : sim_marked(v.model, v.run)      ? "   marked"
                                                             : "";
  mvprintw(4, 0, "Step %zu   seed %llu%s", v.run.trace.size(),
           static_cast<unsigned long long>(v.run.seed), state_note);
  mvprintw(6, 2, "%-28s %-15s %s", "Event", "Kind", v.model.sup != nullptr ? "Supervisor" : "");
  size_t pages = events.empty() ? 1 : (events.size() + LIST_ROWS - 1) / LIST_ROWS;
  if (v.page >= pages) v.page = pages - 1;
  for (size_t i = v.page * LIST_ROWS; i < events.size() && i < (v.page + 1) * LIST_ROWS; i++) {
    const sim_event &e = events[i];
    mvprintw(LIST_TOP + static_cast<int>(i % LIST_ROWS), 2, "%-28s %-15s %s",
             event_label(v.names, e.event).c_str(), e.event % 2 ? "controllable" : "uncontrollable",
             status_text(v, e.status));
  }
  if (events.empty()) mvaddstr(LIST_TOP, 2, "(the plant enables no event here)");
  if (pages > 1)
    mvprintw(19, 2, "Page %zu of %zu   n: next page   p: previous page", v.page + 1, pages);
  mvaddstr(20, 0, "Number+Enter: fire (e0: event 0)  u/Backspace: undo  r: random step  R: walk");
  mvaddstr(21, 0, "0: restart  t: trace  s: save trace  g: seed  Esc: leave");
  mvaddnstr(MESSAGE_ROW, 0, v.message.c_str(), 79);
  mvprintw(STATUS_ROW, 0, "Event: %s", v.field.c_str());
}

void fire(sim_view &v) {
  std::string digits = v.field[0] == 'e' ? v.field.substr(1) : v.field;
  v.field.clear();
  if (digits.empty()) {
    ring_bell();
    return;
  }
  int event = std::stoi(digits);
  if (event > MAX_EVENT) {
    v.message = "No event " + digits + ": events are 0..999";
    ring_bell();
    return;
  }
  std::string label = event_label(v.names, event);
  int result = sim_fire(v.model, &v.run, static_cast<event_t>(event));
  if (result == SIM_FIRED) return;
  ring_bell();
  if (result == SIM_NOT_ENABLED) v.message = "Event " + label + " is not enabled in the plant here";
  if (result == SIM_REFUSED_DISABLED)
    v.message = "Event " + label + " is disabled by the supervisor";
  if (result == SIM_REFUSED_FAULT)
    v.message = "Event " + label + " is uncontrollable, and the supervisor cannot follow it";
}

void undo(sim_view &v) {
  if (v.run.trace.empty()) {
    v.message = "Nothing to undo";
    ring_bell();
    return;
  }
  v.message = "Undone: event " + event_label(v.names, v.run.trace.back());
  sim_undo(&v.run);
}

void random_steps(sim_view &v, int limit) {
  int steps = 0;
  sim_stop stop = sim_random_walk(v.model, &v.run, limit, &steps);
  if (limit == 1 && steps == 1) {
    v.message = "Random step: event " + event_label(v.names, v.run.trace.back());
    return;
  }
  v.message = std::to_string(steps) + " random steps";
  if (stop != SIM_STOP_LIMIT) v.message += "; stopped at " + stop_text(v, stop);
}

// The trace page by page: step, event and the plant state(s) after it.
void show_trace(sim_view &v) {
  const sim_run &r = v.run;
  if (r.trace.empty()) {
    v.message = "The trace is empty";
    return;
  }
  size_t pages = (r.trace.size() + TRACE_ROWS - 1) / TRACE_ROWS;
  for (size_t page = 0;;) {
    clear();
    mvprintw(0, 0, "TRACE OF %s: %zu STEPS   (page %zu of %zu)", v.plant_name.c_str(),
             r.trace.size(), page + 1, pages);
    for (size_t i = page * TRACE_ROWS; i < r.trace.size() && i < (page + 1) * TRACE_ROWS; i++) {
      const std::vector<state_t> &after =
          i + 1 < r.trace.size() ? r.plant_history[i + 1] : r.plant_states;
      mvprintw(2 + static_cast<int>(i % TRACE_ROWS), 0, "%6zu  %-28s plant %s", i + 1,
               event_label(v.names, r.trace[i]).c_str(), set_text(after, 36).c_str());
    }
    mvaddstr(STATUS_ROW, 0, "d/Enter: next page  u: previous page  Esc: back to the simulator");
    refresh();
    int key = read_key();
    if (key == KEY_ESCAPE) {
      if (LoneEsc()) return;
    } else if (key == 'd' || key == KEY_RETURN || key == ' ' || key == KEY_NPAGE) {
      if (page + 1 == pages) return;
      page++;
    } else if ((key == 'u' || key == KEY_PPAGE) && page > 0) {
      page--;
    } else {
      ring_bell();
    }
  }
}

void save_trace(sim_view &v) {
  std::string name = v.plant_name + ".trace.txt";
  std::string path = std::string(prefix) + name;
  report_file out;
  if (report_open(&out, path.c_str()) == 0) {
    for (event_t e : v.run.trace) fprintf(out.stream, "%d\n", e);
    if (report_commit(&out) == 0) {
      v.message = "Trace of " + std::to_string(v.run.trace.size()) + " steps saved as " + name;
      return;
    }
  }
  v.message = "Error writing file: " + path;
  ring_bell();
}

void ask_seed(sim_view &v) {
  move(STATUS_ROW, 0);
  clrtoeol();
  addstr("Seed (0..999999999):  ");
  int key;
  long seed = readint(&key, 0, 999999999);
  if (key != KEY_RETURN) return;
  v.run.seed = v.run.rng = static_cast<uint64_t>(seed);
  v.message =
      "Seed " + std::to_string(seed) + ": random steps follow it from here; 0 restarts with it";
}

// The key loop; returns on Esc.
void run_screen(sim_view &v) {
  for (;;) {
    std::vector<sim_event> events = sim_events(v.model, v.run);
    draw(v, events);
    move(STATUS_ROW, 7 + static_cast<int>(v.field.size()));
    refresh();
    int key = read_key();
    v.message.clear();
    if (key == KEY_ESCAPE) {
      if (LoneEsc()) return;
      ring_bell();
    } else if (key == '0' && v.field.empty()) {
      sim_restart(v.model, &v.run);
      v.page = 0;
      v.message = "Restarted from the initial state";
    } else if ((key >= '0' && key <= '9') || (key == 'e' && v.field.empty())) {
      if (v.field.size() < 4)
        v.field += static_cast<char>(key);
      else
        ring_bell();
    } else if (key == KEY_RETURN) {
      fire(v);
    } else if (key == 8 || key == 127 || key == KEY_BACKSPACE) {
      if (!v.field.empty())
        v.field.pop_back();
      else
        undo(v);
    } else if (key == 'u') {
      undo(v);
    } else if (key == 'r' || key == 'R') {
      random_steps(v, key == 'r' ? 1 : RANDOM_WALK);
    } else if (key == 't') {
      show_trace(v);
    } else if (key == 's') {
      save_trace(v);
    } else if (key == 'g') {
      ask_seed(v);
    } else if (key == 'n' || key == KEY_NPAGE) {
      v.page++;
    } else if ((key == 'p' || key == KEY_PPAGE) && v.page > 0) {
      v.page--;
    } else if (key != KEY_RESIZE) {
      ring_bell();
    }
  }
}

// Loads one input; on failure says so and pauses.
bool load(const char *name, state_t kind, state_t *size, state_node **des) {
  state_t init = kind;
  if (getdes(name, size, &init, des)) return true;
  move(MESSAGE_ROW, 0);
  clrtoeol();
  printw("Error reading file: %s%s%s", prefix, name, kind == -1 ? ".dat" : ".des");
  user_pause();
  return false;
}

}  // namespace

int simulate_screen(const char *plant, const char *sup, const char *data) {
  sim_view v;
  v.plant_name = plant;
  v.sup_name = sup != nullptr ? sup : "";
  v.data_name = data != nullptr ? data : "";
  state_node *plant_des = nullptr, *sup_des = nullptr, *dat_des = nullptr;
  state_t plant_size = 0, sup_size = 0, dat_size = 0;
  int code = 1;
  if (!load(plant, 0, &plant_size, &plant_des)) goto done;
  if (sup != nullptr && !load(sup, 0, &sup_size, &sup_des)) goto done;
  if (data != nullptr && !load(data, -1, &dat_size, &dat_des)) goto done;
  if (data != nullptr && dat_size != sup_size) {
    move(MESSAGE_ROW, 0);
    clrtoeol();
    printw("Control data %s has %ld states, supervisor %s %ld", data, static_cast<long>(dat_size),
           sup, static_cast<long>(sup_size));
    user_pause();
    goto done;
  }
  v.model.plant = plant_des;
  v.model.plant_size = plant_size;
  v.model.sup = sup != nullptr ? sup_des : nullptr;
  v.model.sup_size = sup_size;
  v.model.dat = data != nullptr ? dat_des : nullptr;
  v.model.dat_size = dat_size;
  if (sim_prepare(&v.model) != 0) {
    OutOfMemoryMsg();
    user_pause();
    goto done;
  }
  load_event_names(prefix, &v.names);
  v.run.seed = autotest ? 1 : static_cast<uint64_t>(time(nullptr)) % 1000000000u;
  sim_restart(v.model, &v.run);
  run_screen(v);
  code = 0;
  echo_free();
  refresh();
done:
  freedes(plant_size, &plant_des);
  freedes(sup_size, &sup_des);
  freedes(dat_size, &dat_des);
  return code;
}

void simulate_p() {
  clear();
  move(0, 0);
  addstr("SIMULATE\n\nPLANT under SUPERVISOR with DATA\n\n");
  if (getname("Enter name of plant DES ....  ", ".des", name1, 0) != 0) return;
  if (optional_name("Enter name of supervisor DES (Enter: none) ....  ", ".des", name2) != 0)
    return;
  name3[0] = '\0';
  if (name2[0] != '\0' &&
      optional_name("Enter name of control data (Enter: none) ....  ", ".dat", name3) != 0)
    return;
  simulate_screen(name1, name2[0] != '\0' ? name2 : nullptr, name3[0] != '\0' ? name3 : nullptr);
}
