#pragma once

#include "Engine/Lexer.h"

#include <nlohmann/json.hpp>
