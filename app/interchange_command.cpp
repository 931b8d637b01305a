// Interchange run modes: argument checks and messages around model/gen_format and report/c_code.
#include "app/interchange_command.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/startup.h"
#include "model/gen_format.h"
#include "report/c_code.h"

namespace {

bool has_extension(const char *name, const char *ext) {
  size_t n = strlen(name), e = strlen(ext);
  return n > e && strcmp(name + n - e, ext) == 0;
}

int usage(const char *mode) {
  if (strcmp(mode, "-export-gen") == 0)
    fputs("Usage: sarv -export-gen NAME [OUT.gen]\n", stderr);
  else if (strcmp(mode, "-import-gen") == 0)
    fputs("Usage: sarv -import-gen IN.gen NAME\n", stderr);
  else
    fputs("Usage: sarv -c SUP [DATA] [OUT.c]\n", stderr);
  return 2;
}

}  // namespace

int interchange_command(const char *program, int argc, char **argv) {
  const char *mode = argv[1];
  int args = argc - 2;
  char **arg = argv + 2;
  if (const char *problem = choose_user_directory(program, nullptr)) {
    fprintf(stderr, "sarv: %s\n", problem);
    return 2;
  }
  std::string message;
  int code;
  if (strcmp(mode, "-export-gen") == 0) {
    if (args < 1 || args > 2) return usage(mode);
    std::string out = args == 2 ? arg[1] : std::string(arg[0]) + ".gen";
    code = export_gen_file(arg[0], out.c_str(), &message);
    if (code == GEN_BAD_NAME) code = C_CODE_BAD_NAME;
  } else if (strcmp(mode, "-import-gen") == 0) {
    if (args != 2) return usage(mode);
    code = import_gen_file(arg[0], arg[1], &message);
  } else {
    // SUP [DATA] [OUT.c]: a second argument ending in ".c" is the output.
    if (args < 1 || args > 3) return usage(mode);
    const char *data = nullptr;
    std::string out = std::string(arg[0]) + ".c";
    if (args == 3) {
      data = arg[1];
      out = arg[2];
    } else if (args == 2 && has_extension(arg[1], ".c")) {
      out = arg[1];
    } else if (args == 2) {
      data = arg[1];
    }
    code = c_code_file(arg[0], data, out.c_str(), &message);
  }
  if (code == C_CODE_BAD_NAME) {
    fprintf(stderr, "sarv: %s\n", message.c_str());
    return 2;
  }
  fprintf(code == 0 ? stdout : stderr, "%s%s\n", code == 0 ? "" : "sarv: ", message.c_str());
  return code == 0 ? 0 : 1;
}
