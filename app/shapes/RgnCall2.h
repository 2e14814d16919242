#pragma once
// The outline builders of module RgnCall2: the further poses, the dial-up poses and the first
// dance. Declared, with every module's builders, in the generated app/shapes/outlines.h (see RgnCall.h).
#include "app/shapes/outlines.h"
