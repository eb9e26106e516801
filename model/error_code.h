// The error codes and their texts are part of the public C++ API.
#pragma once

#include <ringmarch/errors.hpp>
