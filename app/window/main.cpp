// vorlisk: the desktop window.
int main() { return 0; }
