// The Why screen (procedures menu W): explains a result with shortest event strings, computed by
// the compute process like any procedure, written to DES1.why.txt and shown in the text pager.
#ifndef SARV_UI_WHY_H
#define SARV_UI_WHY_H

// Asks what to explain (Supcon, Nonconflict, Condat, a comparison of languages, Trim) and the
// input names, runs the explanation and pages through it. Esc at a question cancels; a failure
// shows its message on row 22 and pauses. Nothing is logged.
void why_p();

#endif
