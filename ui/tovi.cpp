// Placeholder menu loop until the front end lands: returns at once.
#include "ui/tovi.h"

int tovi_run() { return 0; }
