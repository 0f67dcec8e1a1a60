// The message-window commands: settings (.txt, .tsp, .tct, .def), the pen (.tps), showing and
// hiding the window (.tsw, .thd), and printing text into a surface (.tpr).
#pragma once

namespace advplay {
class Engine;
}

namespace advplay::text {

// .txt space size|pos ... / .txt font KEYWORD VALUE...
void txt_command(Engine& engine);
// .tpr screen|offN x y text / .tpr font KEYWORD VALUE...
void tpr_command(Engine& engine);
// .tsp normal fast: milliseconds per character.
void tsp_command(Engine& engine);
// .tct left right: how each held button hastens the text.
void tct_command(Engine& engine);
// .tsw: shows the message window, with whatever text it holds.
void tsw_command(Engine& engine);
// .thd: hides it; the text stays on the layer.
void thd_command(Engine& engine);
// .tps mode x y: moves the pen to a screen point (0), by an offset (1), or from the last end (2).
void tps_command(Engine& engine);
// .def \c|\C|\t|\T left right / .def \D target (D a digit).
void def_command(Engine& engine);

} // namespace advplay::text
