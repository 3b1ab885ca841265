#include "huefind/huefind.h"

int main(int argc, char** argv) {
  return huefind::runProgram(argc, argv, 256);
}
