#include "Lexer.h"

int lex() {
    return 0;
}
