// qav_x_screenshot <file.png>: saves the whole screen of $DISPLAY as a PNG (for the real-window
// tests, which look at the program as a person meets it).
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qav_x_screenshot <file.png>\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "qav_x_screenshot: cannot save the screen to %s\n", argv[1]);
    return 1;
  }
  return 0;
}
