#pragma once

#include "Stores/Store.h"

#include <QColor>
