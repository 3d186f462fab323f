#pragma once

#include "Keypad/KeySlot.h"
#include "Sheet/Sheet.h"

#include <QObject>
