#pragma once

#include "Sheet/Sheet.h"
