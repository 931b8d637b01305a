// Program entry: chooses the run mode from the first argument.
int main() { return 0; }
