// The picture dialog (procedures menu F then P): a DES of the user directory as a Graphviz DOT
// file, drawn as SVG when Graphviz is installed and the DES is small enough.
#ifndef SARV_UI_PICTURE_H
#define SARV_UI_PICTURE_H

// Asks for an existing DES, writes NAME.dot and, up to DOT_RENDER_LIMIT states, NAME.svg into
// the user directory, says what was written (or why the drawing was not made) and pauses. Esc at
// the name cancels. Nothing is logged: no procedure ran.
void picture_p();

#endif
