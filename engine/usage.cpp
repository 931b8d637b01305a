// Usage and version texts.
#include "engine/usage.h"

#include <cstring>

const char *const sarv_version = "sarv 1.1";

const char *usage_text() {
  return "Usage:\n"
         "  sarv                     interactive front end\n"
         "  sarv FILE                type FILE out (a DES or DAT file: its header line);\n"
         "                           a file named like an option: sarv ./--help\n"
         "  sarv -autotest SCRIPT    the front end, reading its keys from SCRIPT\n"
         "  sarv -cmdline            compute the request murn.prm of the user directory\n"
         "  sarv -run SCRIPT [-d DIR] [--json] [--keep-going]\n"
         "                           replay SCRIPT, written like makeit.txt (the log is a\n"
         "                           script), in the user directory of murn.ini or DIR; each\n"
         "                           step is logged as a dialog would log it and the sizes a\n"
         "                           script records are checked; exit status 0 when every\n"
         "                           step ran and matched, 1 at a failure, 2 for usage errors\n"
         "  sarv -why WHAT ARGS... [-d DIR] [--json]\n"
         "                           explain a result with shortest event strings: supcon\n"
         "                           PLANT SPEC, nonconflict A B, condat PLANT SUPERVISOR,\n"
         "                           compare A B (languages) or trim A; also written to\n"
         "                           ARG1.why.txt; exit status 0 explained, 1 failed, 2 usage\n"
         "  sarv -dot NAME [OUT] [-d DIR]\n"
         "                           write DES or DAT NAME of the user directory (of murn.ini\n"
         "                           or DIR) as a Graphviz DOT graph into OUT: a file of the\n"
         "                           user directory (NAME.dot), a path with \"/\", or \"-\" for\n"
         "                           standard output; never a .des, .dat, .ads or makeit.txt\n"
         "  sarv -svg NAME [OUT] [-d DIR]\n"
         "  sarv -png NAME [OUT] [-d DIR]\n"
         "                           the same, drawn by Graphviz dot as SVG (NAME.svg) or\n"
         "                           PNG (NAME.png); up to 200 states\n"
         "  sarv -export-gen NAME [OUT.gen]\n"
         "                           write DES NAME as a generator file of the .gen token\n"
         "                           format (NAME.gen), events named from EVENTS.txt\n"
         "  sarv -import-gen IN.gen NAME\n"
         "                           read a .gen generator into DES NAME; new event names\n"
         "                           are added to EVENTS.txt\n"
         "  sarv -c SUP [DATA] [OUT.c]\n"
         "                           write supervisor SUP (with control data DATA) as one C99\n"
         "                           file (SUP.c): SUP_step, SUP_enabled, SUP_is_marked\n"
         "  sarv -sim PLANT [SUPERVISOR [DATA]]\n"
         "                           the simulator screen: step PLANT under SUPERVISOR and\n"
         "                           its control data DATA\n"
         "  sarv --help              this text\n"
         "  sarv --version           the version\n";
}

int usage_option(const char *arg) {
  if (strcmp(arg, "--help") == 0) return 1;
  if (strcmp(arg, "--version") == 0) return 2;
  return 0;
}
