#include "Window/Window.h"

int main() {}
