#include "engine/result_messages.h"

#include <cstdio>

#include "algo/reduce.h"
#include "engine/protocol.h"
#include "model/des_file.h"

namespace {

struct result_message {
  int code;
  const char *text;
};
const result_message RESULT_MESSAGES[] = {
    {MURN_NO_REQUEST, "The compute process could not open its request."},
    {MURN_MISSING_NAME,
     "A name of the compute request is missing or leads out of the user directory."},
    {MURN_OUT_OF_MEMORY, "Problem too large -- out of memory!"},
    {MURN_SUPREDUCE_ERROR, "Supervisor reduction ended with an error."},
    {MURN_VOCAL_OVERFLOW, "Vocal output overflow."},
    {MURN_VOCAL_STATE0, "Initial state 0 of DES1 must be silent (output 0)."},
    {MURN_OUTPUT_NOT_WRITTEN, "Error writing file: %s"},
    {MURN_INPUT_NOT_READ, "Error reading file: %s"},
    {MURN_BAD_REQUEST, "The compute process did not understand the request."},
    {MURN_NONDETERMINISTIC, "%s is nondeterministic"},
    {MURN_LABEL_OVERFLOW, "Too many event labels: no free label left for relabelling."},
    {MURN_STATE_LIMIT, "The result exceeds 2,097,152 states."},
    {MURN_NO_FIXED_POINT, "The normality iteration did not settle within its round limit."},
    {MURN_OUTPUT_TOO_LARGE, "A vocal output is too large to become an event label (0..999)."},
    {MURN_REQUEST_NOT_CREATED, "The compute request could not be written."},
    {MURN_CHILD_FAILED, "The compute process failed or was interrupted."},
    {MURN_NO_RESULT, "The compute process left no result."},
    {MURN_RESULT_GARBLED, "The compute result is garbled."},
    {MURN_RESULT_UNREADABLE, "The compute result cannot be read."},
};

// The two causes of a failed supervisor reduction (supreduce_failure_text).
const char SUPREDUCE_FOREIGN_DATA[] =
    "%s.dat is not the control data of %s: supervisor not reduced.";
const char SUPREDUCE_NOT_FOLLOWED[] =
    "%s is not a supervisor that %s can follow: supervisor not reduced.";

}  // namespace

const char *result_text(int code) {
  for (const result_message &message : RESULT_MESSAGES)
    if (message.code == code) return message.text;
  return "The procedure failed.";
}

std::string supreduce_failure_text(const char *plant, const char *sup, const char *dat) {
  bool via_meet = false;
  int saved = mem_result;  // running out of memory here must not mark the caller's procedure
  int status = supreduce_check(plant, sup, dat, &via_meet);
  mem_result = saved;
  char text[160];
  if (status == SUPRED_BAD_CONTROL_DATA)
    snprintf(text, sizeof text, SUPREDUCE_FOREIGN_DATA, dat, sup);
  else
    snprintf(text, sizeof text, SUPREDUCE_NOT_FOLLOWED, sup, plant);
  return text;
}
