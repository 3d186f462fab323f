#pragma once

#include "Keypad/KeypadView.h"
