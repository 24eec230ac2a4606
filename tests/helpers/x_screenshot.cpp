// qav_x_screenshot <file.png> [x y width height]: saves the screen of $DISPLAY, or the part of it
// given, as a PNG (for the real-window tests, which look at the program as a person meets it, and
// for scripts/run.sh). The same pixels always make the same file, so two parts compare byte for
// byte.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2 && argc != 6) {
    std::fprintf(stderr, "usage: qav_x_screenshot <file.png> [x y width height]\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  QScreen* screen = QGuiApplication::primaryScreen();
  QPixmap shot;
  if (screen) {
    shot = argc == 6 ? screen->grabWindow(0, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]))
                     : screen->grabWindow(0);
  }
  if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "qav_x_screenshot: cannot save the screen to %s\n", argv[1]);
    return 1;
  }
  return 0;
}
