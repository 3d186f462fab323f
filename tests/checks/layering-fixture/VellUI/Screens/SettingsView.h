#pragma once

#include "Appearance/Theme.h"
#include "Stores/Store.h"

#include <QWidget>
