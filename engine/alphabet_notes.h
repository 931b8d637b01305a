// Alphabet notes: after a procedure completed, a remark when its inputs use events in a way that
// usually signals a mistake (a specification that does not mention some plant events disables
// them everywhere; a null event no input uses erases nothing). Notes never change a result, a
// log entry or a result code.
#ifndef SARV_ENGINE_ALPHABET_NOTES_H
#define SARV_ENGINE_ALPHABET_NOTES_H

#include <string>
#include <vector>

#include "engine/catalogue.h"

// The notes for row `row` run on the DES named `inputs` (row.inputs names of the user directory)
// with the request's event list (`events`, `count`: the null events of Supnorm and Supscop).
// Each note is one line of text starting with "Note: ". An input that cannot be read gives no
// note. Time: one load of each input.
std::vector<std::string> alphabet_notes(const procedure_row &row, const char *const *inputs,
                                        const event_t *events, int count);

#endif
