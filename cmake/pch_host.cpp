// Only here so that the precompiled headers have a target to be built with.
int main() { return 0; }
