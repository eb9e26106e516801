// The tolerant TOUR reader is part of the public C++ API. The component's strict reader
// (tour_file.h) is a different reader and stays as it is.
#pragma once

#include <ringmarch/tsplib.hpp>

#include "tsplib/file_name.h"
