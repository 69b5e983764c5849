#include <cstdio>
int main() { std::puts("vistrel-cli"); return 0; }
