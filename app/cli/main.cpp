#include <CLI/CLI.hpp>

int main(int argc, char** argv) {
  CLI::App app{"Vorlisk: preview and wash the traces applications leave behind"};
  CLI11_PARSE(app, argc, argv);
  return 0;
}
