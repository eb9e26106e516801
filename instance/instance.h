// The any-size instance is part of the public C++ API.
#pragma once

#include <ringmarch/instance.hpp>
