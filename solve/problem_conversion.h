// The conversion between the any-size Instance and the object's ProblemData lives with the
// instance, below the readers that use it; the solve layer reaches it through this name too.
#pragma once

#include "instance/problem_conversion.h"
