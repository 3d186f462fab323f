#pragma once

#include "Unicode/Unicode.h"

#include <vector>
