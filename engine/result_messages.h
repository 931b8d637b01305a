// The one-line message of every result code a procedure can end with, shared by the dialogs and
// the batch runs so that both name a failure the same way.
#ifndef SARV_ENGINE_RESULT_MESSAGES_H
#define SARV_ENGINE_RESULT_MESSAGES_H

// The message of a non-zero result code; "%s" in it stands for the file concerned. Unknown codes
// get a generic line.
const char *result_text(int code);

#endif
