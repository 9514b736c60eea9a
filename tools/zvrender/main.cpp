#include "RenderCommand.h"

int main(int argc, char** argv) {
  return zvrender::runCommandLine(argc, argv);
}
