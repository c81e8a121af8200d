// Test install program that writes one line to its standard output and exits at once. Being a
// console program, it gets a console of its own when a program without one starts it.
#include <cstdio>

int main() {
    std::puts("installed");
    return 0;
}
