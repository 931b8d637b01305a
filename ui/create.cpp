// Create (keyboard entry or ADS template) and File ADS (one file or all of them), with the
// nondeterminism check, the filing confirmation and the Create entries of the MAKEIT log.
#include "ui/create.h"

#include <curses.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/makeit.h"
#include "engine/startup.h"
#include "model/des_file.h"
#include "model/des_supp.h"
#include "ui/des_edit.h"
#include "ui/dialogs.h"
#include "ui/display.h"
#include "ui/io.h"
#include "ui/listing.h"
#include "ui/viewer.h"

namespace {

const state_t CREATE_MAX_STATES = 2000000;
const int MAX_ADS_ERRORS_SHOWN = 10;
const int CONFLICT_LAST_ROW = 20;
const int ENTRY_LAST_ROW = 21;

void clear_rows(int from, int to) {
  for (int r = from; r <= to; r++) {
    move(r, 0);
    clrtoeol();
  }
}

// Prints the echo of a yes/no key when it is printable.
void echo_key(int key) {
  if (key >= 32 && key <= 126) addch(static_cast<chtype>(key));
}

void create_title() {
  clear();
  printw("CREATE(%s)\n\n", name1);
}

void create_states() {
  addstr("States will be numbered 0,1,2,3,....\n");
  addstr("The initial state is 0.\n\n");
  addstr("Enter total number of states...  ");
}

void create_marker() {
  addstr("\nEnter list of marker states in {0,1,...,Size-1}\n");
  addstr("To mark all states, enter '*'\n");
  addstr("To quit, enter -1\n\n");
}

// Instruction rows 2..6; entries start on row 7.
void create_vocal() {
  addstr("Enter vocal states with output: integer in 10,...,99\n\n");
  addstr("To quit, enter -1 for State.\n\n\n");
}

// Instruction rows 2..10; entries start on row 11.
void create_transitions() {
  addstr("Enter transitions using:\n");
  addstr("   States                : integers 0,1,2,...,Size-1\n");
  addstr("   Uncontrollable Events : even integers 0,2,4,... <= 998\n");
  addstr("   Controllable Events   : odd integers 1,3,5,... <= 999\n\n");
  addstr("To quit, enter -1 for Exit State.\n\n\n\n");
}

// After an entry row: when the cursor passed row 21 the screen scrolls up one line and the
// heading rows 0..last_heading_row are drawn again. Returns the row of the next entry.
int next_entry_row(int row, int last_heading_row, void (*instructions)()) {
  if (row + 1 <= ENTRY_LAST_ROW) return row + 1;
  move(STATUS_ROW, 0);
  clrtoeol();
  scroll_line();
  clear_rows(0, last_heading_row);
  move(0, 0);
  printw("CREATE(%s)\n\n", name1);
  instructions();
  esc_footer();
  return row;
}

// Marker states: "*" marks all and ends, -1 ends. Returns 1 on Esc.
int read_create_marks(state_node *des, state_t n) {
  int row = getcury(stdscr), column = 0;
  std::string rule = field_rule("marker states", 0, n - 1) + "; * marks all, -1 ends";
  for (;;) {
    move(row, column);
    int key;
    long s = readintall(&key, -1, n - 1, rule.c_str());
    if (key == KEY_ESCAPE) return 1;
    if (key == '*') {
      for (state_t i = 0; i < n; i++) des[i].marked = 1;
      return 0;
    }
    if (s == -1) return 0;
    des[s].marked = 1;
    if (column > 64 || getcurx(stdscr) > 74) {
      row++;
      column = 0;
    } else {
      column += 10;
    }
    if (row > ENTRY_LAST_ROW) {
      create_title();
      create_marker();
      row = getcury(stdscr);
      column = 0;
    }
  }
}

int read_create_vocals(state_node *des, state_t n) {
  create_title();
  create_vocal();
  esc_footer();
  int row = getcury(stdscr);
  std::string states = field_rule("states", 0, n - 1);
  for (;;) {
    int key;
    mvaddstr(row, 0, "State:  ");
    long s = readint(&key, -1, n - 1, states.c_str());
    if (key == KEY_ESCAPE) return 1;
    if (s == -1) return 0;
    mvaddstr(row, 20, "Output:  ");
    long v = readint(&key, 10, 99, "vocal outputs are 10..99");
    if (key == KEY_ESCAPE) return 1;
    des[s].vocal = static_cast<uint16_t>(v) & 0x1FFF;
    row = next_entry_row(row, 6, create_vocal);
  }
}

int read_create_transitions(state_node *des, state_t n) {
  create_title();
  create_transitions();
  esc_footer();
  int row = getcury(stdscr);
  std::string states = field_rule("states", 0, n - 1);
  for (;;) {
    int key;
    mvaddstr(row, 0, "Exit State:  ");
    long s = readint(&key, -1, n - 1, states.c_str());
    if (key == KEY_ESCAPE) return 1;
    if (s == -1) return 0;
    mvaddstr(row, 25, "Event Label:  ");
    long e = readint(&key, -1, MAX_EVENT, EVENT_RULE);
    if (key == KEY_ESCAPE) return 1;
    if (e == -1) return 0;
    mvaddstr(row, 50, "Entrance State:  ");
    long t = readint(&key, -1, n - 1, states.c_str());
    if (key == KEY_ESCAPE) return 1;
    if (t == -1) return 0;
    state_node &node = des[s];
    int added = 0;
    if (node.numelts < UINT16_MAX)
      addordlist1(static_cast<event_t>(e), static_cast<state_t>(t), &node.next, node.numelts,
                  &added);
    else
      ring_bell();
    if (added) node.numelts++;
    if (mem_result) return 0;
    row = next_entry_row(row, 10, create_transitions);
  }
}

int ask_create_r() {
  clear();
  addstr("CREATE\n\n");
  esc_footer();
  addstr("1. .DES file (prompts user to enter DES data fast and sequentially;\n");
  addstr("   any entry errors can be corrected later using Edit)\n\n");
  addstr("2. .ADS file (provides user with DES template for flexible ASCII\n");
  addstr("   text file editing)\n\n\n");
  addstr("Please choose Option 1 or 2 ....  ");
  int key;
  long option = readint(&key, 1, 2);
  if (key == KEY_ESCAPE) {
    quit = 1;
    return 1;
  }
  if (option == 1) return 0;
  addstr("\n\nGenerate ADS file with template\n");
  if (getname("Enter name of ADS ....  ", ".ads", name1, 1)) {
    quit = 1;
    return 1;
  }
  make_filename_ext(long_name1, name1, ".ads");
  if (generate_ads_file(long_name1, name1) != 0) {
    move(MESSAGE_ROW, 0);
    clrtoeol();
    printw("Error writing file: %s", long_name1);
    user_pause();
    return 1;
  }
  if (getcury(stdscr) > 17) {
    clear_rows(16, 21);
    move(17, 0);
  }
  addstr("\nNow use your ASCII editor to complete the file\n");
  print_fix_filename(long_name1, 80);
  printw("\nreturn to %s, and use FD to convert", PROGRAM_NAME);
  printw("\n%s%s to %s%s", name1, ".ads", name1, ".des");
  user_pause();
  return 1;
}

// Keyboard entry of a whole DES into (*des, *n). Sets quit on Esc, mem_result when memory ran
// out.
void create_r(state_node **des, state_t *n) {
  clear();
  addstr("CREATE\n\n");
  if (getname("Enter name of DES ....  ", ".des", name1, 1)) {
    quit = 1;
    return;
  }
  create_states();
  esc_footer();
  int key;
  long size = readint(&key, 0, CREATE_MAX_STATES, "state counts are 0..2000000");
  if (key == KEY_ESCAPE) {
    quit = 1;
    return;
  }
  *n = static_cast<state_t>(size);
  *des = newdes(*n);
  if (*n > 0 && *des == nullptr) {
    mem_result = 1;
    return;
  }
  addstr("\n");
  create_marker();
  if (read_create_marks(*des, *n) || read_create_vocals(*des, *n) ||
      read_create_transitions(*des, *n)) {
    quit = 1;
    return;
  }
  if (mem_result) return;
  check_determinism(*des, *n, name1, &quit, 0);
}

void create_makeit(const state_node *des, state_t n) {
  write_wrapped_entry(create_entry(name1, des, n, false), static_cast<int>(strlen(name1)) + 3);
}

void file_ads_header() {
  clear();
  addstr("FILE\n\nDES2 = FILE(ADS1)\n\n");
}

int successful_filings = 0;
bool name_failures = false;  // some ADS file has a base name no DES may have

void fail_file_ads_header() {
  file_ads_header();
  addstr("1.  File one .ADS to .DES\n\n");
  addstr("2.  File all .ADS to .DES\n\n");
  addstr("Please choose Option 1 or 2 ....  2\n\n");
  printw("Number of successful filings is: %d\n\n", successful_filings);
}

void failures_header() {
  fail_file_ads_header();
  addstr("Failures:  ");
}

void replaced_header() {
  fail_file_ads_header();
  addstr("Replaced:  ");
}

void fail_footer_rows() {
  mvaddstr(20, 0, "Locate .ADS errors by inspection or by FD/ADS->DES/Option 1.");
  mvaddstr(21, 0, "Use your ASCII Editor to correct.");
  if (name_failures) mvprintw(MESSAGE_ROW, 0, "File names: %s", DES_NAME_RULE);
}

void no_failures_row() {
  mvaddstr(20, 0, "Failures: 0");
}

const char *const NAME_LIST_FOOTER = "D=PgDn  U=PgUp  Esc (Exit)  ";

// An ADS file of the user directory that File all converts, and whether a DES of its name exists.
struct ads_entry {
  std::string entry, base;
  bool replaces;
};

// The regular files with the extension "ads" (lower case); those whose base name breaks the name
// rule go to *failures.
std::vector<ads_entry> ads_files(std::vector<std::string> *failures) {
  std::vector<std::string> entries;
  std::vector<ads_entry> found;
  read_directory(path, &entries);
  for (const std::string &entry : entries) {
    std::string base, ext;
    file_split(entry.c_str(), &base, &ext);
    struct stat info;
    if (ext != "ads" || stat((prefix + entry).c_str(), &info) != 0 || !S_ISREG(info.st_mode))
      continue;
    if (!des_name_ok(base.c_str())) {
      failures->push_back(entry);
      name_failures = true;
      continue;
    }
    found.push_back({entry, base, exist((prefix + base + ".des").c_str())});
  }
  return found;
}

// File all ADS: one question before any existing DES is replaced ("y" goes on; any other answer
// files nothing), then every file converted, filed and logged; the summary lists the DES files
// replaced and the ADS files that failed.
void all_ads_to_des() {
  std::vector<std::string> failures, replaced;
  successful_filings = 0;
  name_failures = false;
  std::vector<ads_entry> files = ads_files(&failures);
  int existing = 0;
  for (const ads_entry &f : files) existing += f.replaces ? 1 : 0;
  if (existing > 0) {
    printw("\n\n%d DES files exist and will be replaced. Continue? (y/*n)  ", existing);
    refresh();
    int key = read_key();
    echo_key(key);
    if (key != 'y' && key != 'Y') return;
  }
  for (const ads_entry &f : files) {
    int32_t line, earlier;
    state_node *des = nullptr;
    state_t n = 0;
    bool filed = ads_2_des_all((prefix + f.entry).c_str(), &line, &earlier, &des, &n) == 0 &&
                 FILEDES(f.base.c_str(), n, 0, des) == 0;
    if (filed) {
      write_wrapped_entry(create_entry(f.base.c_str(), des, n, true),
                          static_cast<int>(f.base.size()) + 3);
      successful_filings++;
      if (f.replaces) replaced.push_back(f.base + ".des");
    } else {
      failures.push_back(f.entry);
    }
    freedes(n, &des);
    mem_result = 0;
    quit = 0;
  }
  printw("\n\nNumber of successful filings is: %d", successful_filings);
  if (!replaced.empty()) {
    addstr("\n\nReplaced:  ");
    size_t longest = 0;
    for (const std::string &r : replaced) longest = r.size() > longest ? r.size() : longest;
    paged_names(replaced, failure_layout(longest), replaced_header, NAME_LIST_FOOTER,
                failures.empty() ? no_failures_row : nullptr);
    if (failures.empty()) return;
    failures_header();
  } else if (failures.empty()) {
    addstr("\n\nFailures: 0\n");
    user_pause();
    return;
  } else {
    addstr("\n\nFailures:  ");
  }
  std::sort(failures.begin(), failures.end());
  size_t longest = 0;
  for (const std::string &f : failures) longest = f.size() > longest ? f.size() : longest;
  paged_names(failures, failure_layout(longest), failures_header, NAME_LIST_FOOTER,
              fail_footer_rows);
}

// The errors of one ADS file, at most ten; the empty lines between them are left out when they
// would push the last error under the pause row.
void show_ads_errors(const ads_error *errors, int32_t count) {
  if (getcury(stdscr) > 11) file_ads_header();
  printw("Error(s) reading file: %s\n", long_name1);
  int shown = count < MAX_ADS_ERRORS_SHOWN ? count : MAX_ADS_ERRORS_SHOWN;
  bool spaced = getcury(stdscr) + 2 * shown <= STATUS_ROW;
  if (!spaced) addch('\n');
  for (int i = 0; i < shown; i++)
    printw(spaced ? "\n%s\n" : "%s\n", ads_error_line(errors[i]).c_str());
  user_pause();
}

void file_ads_r() {
  file_ads_header();
  if (getname("Enter name of ADS1 ........  ", ".ads", name1, 0)) {
    quit = 1;
    return;
  }
  addstr("Same name for DES2?   (*y/n)   ");
  refresh();
  int key = read_key();
  if (key == KEY_ESCAPE) {
    quit = 1;
    return;
  }
  int cancelled;
  if (key == 'n' || key == 'N') {
    echo_key(key);
    addstr("\n\n");
    cancelled = getname("Enter new name for DES2 ....  ", ".des", name2, 1);
  } else {
    snprintf(name2, sizeof name2, "%s", name1);
    addstr("\n");
    cancelled = getname2("Enter new name for DES2 ...............  ", ".des", name2, 1);
  }
  if (cancelled) {
    quit = 1;
    return;
  }
  make_filename_ext(long_name1, name1, ".ads");
  ads_error *errors = nullptr;
  int32_t count = 0;
  state_node *des = nullptr;
  state_t n = 0;
  mem_result = 0;
  int failed = ads_2_des(long_name1, &errors, &count, &des, &n);
  if (mem_result) {
    freedes(n, &des);
    free(errors);
    return;
  }
  if (failed) {
    show_ads_errors(errors, count);
    quit = 1;
  } else if (FILEDES(name2, n, 0, des) == 0) {
    echo_save(name2);
    write_wrapped_entry(create_entry(name2, des, n, true), static_cast<int>(strlen(name2)) + 3);
  }
  freedes(n, &des);
  free(errors);
}

}  // namespace

void write_wrapped_entry(const std::string &entry, int indent) {
  if (makeit_append(get_makeit(), makeit_wrap(entry, indent)) == 0) return;
  clear_rows(20, 22);
  mvprintw(22, 0, "Cannot write the log %s", get_makeit());
  user_pause();
}

void file_split(const char *name, std::string *base, std::string *ext) {
  const char *dot = strrchr(name, '.');
  if (dot == nullptr) {
    *base = name;
    ext->clear();
  } else {
    base->assign(name, static_cast<size_t>(dot - name));
    *ext = dot + 1;
  }
}

std::string ads_error_line(const ads_error &error) {
  const char *text = error.code >= 0 && error.code < ADS_ERROR_COUNT ? ads_error_str[error.code]
                                                                     : ads_error_str[ADS_INTERNAL];
  char line[160];
  if (error.line < 0) {
    snprintf(line, sizeof line, "  %s", text);
  } else if (error.earlier_line < 0) {
    snprintf(line, sizeof line, "  %s at line %ld.", text, static_cast<long>(error.line));
  } else {
    snprintf(line, sizeof line, "  %s at lines %ld and %ld.", text,
             static_cast<long>(error.earlier_line), static_cast<long>(error.line));
  }
  return line;
}

void display_conflict_tran(const triple *triples, size_t count, state_t n) {
  bool wide = n > 100000;
  addstr("\nNondeterministic transitions: ");
  listing_layout layout;
  layout.step = wide ? 24 : 19;
  layout.per_row = wide ? 3 : 4;
  layout.top_row = 1;
  layout.last_row = CONFLICT_LAST_ROW - 1;
  layout.prompt = "Press <Enter> to page transitions  ";
  layout.heading = []() {
    esc_footer();
    mvaddstr(0, 0, "Nondeterministic transitions: ");
  };
  layout.run_start = [triples](size_t i) { return triples[i].middle != triples[i - 1].middle; };
  page_listing(count, layout, [triples, wide](size_t i) {
    printw(wide ? "[%7ld,%3d,%7ld]" : "[%5ld,%3d,%5ld]", static_cast<long>(triples[i].first),
           static_cast<int>(triples[i].middle), static_cast<long>(triples[i].third));
  });
}

void check_determinism(const state_node *des, state_t n, const char *name, int *quit_flag,
                       int pause) {
  clear();
  esc_footer();
  printw("\nCheck %s for nondeterminism?  (y/*n)  ", name);
  refresh();
  int key = read_key();
  if (key == KEY_RETURN) {
    addstr("\n\n");
    return;
  }
  echo_key(key);
  if (key == KEY_ESCAPE) {
    *quit_flag = 1;
    return;
  }
  if (key != 'y' && key != 'Y') return;
  addstr("\n\n");
  std::vector<triple> conflicts = nondeterministic_transitions(des, n);
  if (n <= 0 || conflicts.empty()) {
    printw("%s is OK.", name);
  } else {
    printw("WARNING: %s is nondeterministic!\n", name);
    display_conflict_tran(conflicts.data(), conflicts.size(), n);
    if (getcury(stdscr) >= CONFLICT_LAST_ROW) {
      clear();
      esc_footer();
    }
    printw("\nPlease revise %s using the editor.", name);
  }
  if (pause) {
    move(STATUS_ROW, 0);
    clrtoeol();
    addstr("Press <Enter> to continue  ");
    refresh();
    while (read_key() != KEY_RETURN) {
    }
  }
}

int FILEDES(const char *name, state_t n, state_t kind, const state_node *des) {
  if (filedes(name, n, kind, des) == 0) return 0;
  quit = 1;
  move(MESSAGE_ROW, 0);
  clrtoeol();
  printw("Error writing file: %s%s%s", prefix, name, kind == -1 ? ".dat" : ".des");
  user_pause();
  return 1;
}

void echo_save(const char *name) {
  char full[FULL_NAME_SIZE];
  snprintf(full, sizeof full, "%s%s.des", prefix, name);
  int len = static_cast<int>(strlen(full));
  clear_rows(20, 22);
  move(21, 0);
  printw("%s has been filed as ", name);
  if (static_cast<int>(strlen(name)) + 19 + len > 79) move(22, 0);
  if (len < 80) {
    addstr(full);
  } else {
    int keep = 69 - static_cast<int>(strlen(name));
    int plen = static_cast<int>(strlen(prefix));
    if (keep < 0) keep = 0;
    printw("%.3s...%s%s.des", prefix, prefix + (plen > keep ? plen - keep : 0), name);
  }
  refresh();
  user_pause();
}

void create_p() {
  quit = 0;
  mem_result = 0;
  state_node *des = nullptr;
  state_t n = 0;
  if (ask_create_r() == 0) {
    create_r(&des, &n);
    if (mem_result) {
      OutOfMemoryMsg();
      user_pause();
    } else if (!quit && FILEDES(name1, n, 0, des) == 0) {
      echo_save(name1);
      create_makeit(des, n);
    }
  }
  echo_free();
  freedes(n, &des);
  mem_result = 0;
}

void file_ads_p() {
  quit = 0;
  mem_result = 0;
  file_ads_header();
  esc_footer();
  addstr("1.  File one .ADS to .DES\n\n");
  addstr("2.  File all .ADS to .DES\n\n");
  addstr("Please choose Option 1 or 2 ....  ");
  int key;
  long option = readint(&key, 1, 2);
  if (key == KEY_ESCAPE) return;
  if (option == 2) {
    all_ads_to_des();
  } else {
    file_ads_r();
    if (mem_result) {
      OutOfMemoryMsg();
      user_pause();
    }
  }
  echo_free();
  mem_result = 0;
}
