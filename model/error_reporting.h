// The error reporters are part of the public C++ API.
#pragma once

#include <ringmarch/errors.hpp>
