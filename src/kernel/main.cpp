// main.cpp -- the player's entry; it takes no arguments
#include "kernel/program.h"

int main() {
    return run_program();
}
