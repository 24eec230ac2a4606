// QAV's entry point.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("QAV %s\n", QAV_VERSION_STRING);
      return 0;
    }
  }
  std::printf("QAV %s\n", QAV_VERSION_STRING);
  return 0;
}
