#pragma once
// Dances 2 to 4 (stores gra7, gra8, gra9): nine 170 x 170 pictures each on pure blue, whose
// outline is every pixel that is not blue. Frames 0 to 4 are drawn; frames 5 to 8 are frames 4 to 1
// (dance 2) or 1 to 4 (dances 3 and 4) mirrored about each pair's own axis, so a pair is one pose
// seen from the other side, pixel for pixel.
//
// Each frame is a Figure with ribbons in her hands, then fitted to its frame's design: cut to the
// frame's box (the ribbons run past its sides, so the cut sets the sides), the top line holds
// exactly the design's runs (tufts of hair that rise from the head to it), line 169 exactly the
// design's runs (the soles), the design's detached pixels stand alone (sparkles), stray bits are
// dropped, background the figure closes in is filled, and the design's holes are punched.
#include "render.h"

namespace art {

// Picture k (0 to 8) of dance 2, 3 or 4.
Rendered dancePicture(int dance, int k);

} // namespace art
