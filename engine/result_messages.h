// The one-line message of every result code a procedure can end with, shared by the dialogs and
// the batch runs so that both name a failure the same way.
#ifndef SARV_ENGINE_RESULT_MESSAGES_H
#define SARV_ENGINE_RESULT_MESSAGES_H

#include <string>

// The message of a non-zero result code; "%s" in it stands for the file concerned. Unknown codes
// get a generic line.
const char *result_text(int code);

// The cause of a Supreduce of plant DES1, supervisor DES2 and control data DAT3 that ended with
// MURN_SUPREDUCE_ERROR, as the dialog and the batch runs name it: control data that cannot be
// read or belong to a supervisor of another size are named, any other failure means DES2 is not
// a supervisor DES1 can follow. Reads the two files; changes nothing.
std::string supreduce_failure_text(const char *plant, const char *sup, const char *dat);

#endif
