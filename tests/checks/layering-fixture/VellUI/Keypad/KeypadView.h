#pragma once

#include "Keypad/KeySlot.h"
#include "Stores/Store.h"

#include <QWidget>
