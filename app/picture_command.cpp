// Picture run modes: find the DES or DAT, write its DOT text, draw it with Graphviz.
#include "app/picture_command.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "algo/des_proc.h"
#include "engine/script.h"
#include "engine/startup.h"
#include "model/des_file.h"
#include "report/dot.h"

namespace {

// A bare file name of the user directory: printable, no path separator, not empty.
bool plain_name(const std::string &name, size_t longest) {
  if (name.empty() || name.size() > longest || name == "." || name == "..") return false;
  for (char c : name)
    if (c == '/' || c == '\\' || c < 32 || c > 126) return false;
  return true;
}

// True for a file name the program keeps its data in: DES, DAT and ADS files, the log and the
// event names.
bool data_file_name(const std::string &out) {
  std::string base = out.substr(out.rfind('/') + 1);
  if (strcasecmp(base.c_str(), "makeit.txt") == 0 || strcasecmp(base.c_str(), "EVENTS.txt") == 0)
    return true;
  if (base.size() < 4) return false;
  const char *ext = base.c_str() + base.size() - 4;
  return strcasecmp(ext, ".des") == 0 || strcasecmp(ext, ".dat") == 0 ||
         strcasecmp(ext, ".ads") == 0;
}

}  // namespace

int picture_main(const char *program, int argc, char **argv) {
  const char *args[2] = {nullptr, nullptr}, *dir = nullptr;
  int count = 0;
  bool bad = false;
  for (int i = 1; i < argc && !bad; i++) {
    if (strcmp(argv[i], "-d") == 0) {
      bad = i + 1 >= argc || dir != nullptr;
      if (!bad) dir = argv[++i];
    } else {
      bad = count == 2;
      if (!bad) args[count++] = argv[i];
    }
  }
  if (bad || count == 0) {
    fprintf(stderr, "Usage: sarv %s NAME [OUT] [-d DIR]\n", argv[0]);
    return 2;
  }
  if (const char *problem = choose_user_directory(program, dir)) {
    fprintf(stderr, "sarv: %s%s%s\n", problem, dir ? " " : "", dir ? dir : "");
    return 2;
  }
  return picture_command(argv[0] + 1, args[0], args[1]);
}

int picture_command(const char *format, const char *name_arg, const char *out_arg) {
  std::string name = name_arg;
  bool want_dat = false;
  if (name.size() > 4 && (name.compare(name.size() - 4, 4, ".des") == 0 ||
                          name.compare(name.size() - 4, 4, ".dat") == 0)) {
    want_dat = name.compare(name.size() - 4, 4, ".dat") == 0;
    name.resize(name.size() - 4);
  }
  if (!des_name_ok(name.c_str())) {
    fprintf(stderr, "sarv: \"%s\" is not a DES name (%s)\n", name_arg, DES_NAME_RULE);
    return 2;
  }
  bool to_stdout = out_arg != nullptr && strcmp(out_arg, "-") == 0;
  bool draw = strcmp(format, "dot") != 0;
  if (to_stdout && draw) {
    fprintf(stderr, "sarv: -%s writes a file of the user directory, not \"-\"\n", format);
    return 2;
  }
  std::string out = out_arg != nullptr ? out_arg : name + "." + format;
  bool is_path = out.find('/') != std::string::npos;
  if (!to_stdout && !is_path && !plain_name(out, 200)) {
    fprintf(stderr, "sarv: \"%s\" is not a file name\n", out.c_str());
    return 2;
  }
  if (!to_stdout && (data_file_name(out) || out.back() == '/')) {
    fprintf(stderr, "sarv: \"%s\" would replace a data file of sarv; choose another OUT\n",
            out.c_str());
    return 2;
  }

  state_t size = 0, init = want_dat ? -1 : 0;
  state_node *des = nullptr;
  int loaded = getdes(name.c_str(), &size, &init, &des);
  if (!loaded && !want_dat) {
    init = -1;
    loaded = getdes(name.c_str(), &size, &init, &des);
  }
  if (!loaded) {
    fprintf(stderr, "sarv: no readable DES or DAT file \"%s\" in %s\n", name.c_str(), prefix);
    return 1;
  }
  int is_dat = init == -1;
  static event_names names;
  const event_names *named = load_event_names(prefix, &names) == 1 ? &names : nullptr;
  int code = DOT_OK;
  std::string out_path = is_path ? out : std::string(prefix) + out;
  std::string dot_path =
      draw ? out_path.substr(0, out_path.rfind('/') + 1) + name + ".dot" : out_path;
  if (to_stdout) {
    code = is_dat ? write_dat_dot(stdout, name.c_str(), des, size, named)
                  : write_des_dot(stdout, name.c_str(), des, size, named);
  } else {
    code = picture_files(name.c_str(), des, size, is_dat, dot_path.c_str(),
                         draw ? out_path.c_str() : nullptr, format, named);
  }
  long transitions = static_cast<long>(count_tran(des, size));
  freedes(size, &des);
  if (code == DOT_TOO_LARGE) {
    fprintf(stderr,
            "sarv: %s has %ld states; pictures are drawn up to %ld states.\n"
            "The DOT file %s was written; draw it with Graphviz yourself if you must.\n",
            name.c_str(), static_cast<long>(size), static_cast<long>(DOT_RENDER_LIMIT),
            dot_path.c_str());
    return 1;
  }
  if (code != DOT_OK) {
    fprintf(stderr, "sarv: %s: %s\n",
            draw && code != DOT_WRITE_FAILED ? out_path.c_str() : dot_path.c_str(),
            dot_message(code));
    return 1;
  }
  if (!to_stdout)
    printf("%s written (%s %s: %ld states, %ld transitions)\n", out_path.c_str(),
           is_dat ? "DAT" : "DES", name.c_str(), static_cast<long>(size), transitions);
  return 0;
}
