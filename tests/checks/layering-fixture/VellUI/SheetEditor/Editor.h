#pragma once

#include "Keypad/KeypadView.h"
#include "Plots/PlotView.h"

#include <QTextEdit>
