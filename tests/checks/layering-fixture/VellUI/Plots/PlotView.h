#pragma once

#include "Appearance/Theme.h"

#include <QWidget>
