#pragma once

#include "Keypad/KeypadView.h"
#include "SheetEditor/Editor.h"
#include "Window/Window.h"
