// Picture run modes: find the DES or DAT, write its DOT text, draw it with Graphviz.
#include "app/picture_command.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "algo/des_proc.h"
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

}  // namespace

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
  if (!to_stdout && !plain_name(out, 200)) {
    fprintf(stderr, "sarv: \"%s\" is not a file name of the user directory (no \"/\")\n",
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
  std::string dot_path = std::string(prefix) + (draw ? name + ".dot" : out);
  std::string out_path = std::string(prefix) + out;
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
