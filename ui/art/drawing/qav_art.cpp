// Draws the program's image strips and icons and writes them for the build:
//   qav-art <folder>
// writes <folder>/images_<id>.png (the strips with alpha: even ids 250-264; icons 128, 149, 151),
// <folder>/images_<id>.bmp (the odd ids 251-265: the same strips on magenta, for screens without
// alpha) and <folder>/art_images.cpp, which compiles every one of them into the user interface as
// FindArtImage(id) (ui/art/art_images.h).
#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <functional>
#include <vector>

#include "ui/art/drawing/art_shapes.h"

namespace {

using namespace qav::art;
using Picture = std::function<void(QPainter&)>;

struct Strip {
  int id;  // the PNG's id; the BMP form is id + 1
  int size;
  std::vector<Picture> pictures;
};

QImage Draw(int size, const std::vector<Picture>& pictures) {
  QImage image(size * static_cast<int>(pictures.size()), size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  for (size_t i = 0; i < pictures.size(); ++i) {
    painter.save();
    painter.translate(static_cast<double>(i) * size, 0);
    painter.scale(size / 16.0, size / 16.0);
    pictures[i](painter);
    painter.restore();
  }
  painter.end();
  return image.convertToFormat(QImage::Format_ARGB32);
}

// The strip for screens without alpha: mostly covered pixels keep their colour, the rest become
// the transparent colour, magenta.
QImage OnMagenta(const QImage& image) {
  QImage out(image.size(), QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      out.setPixel(x, y, qAlpha(pixel) >= 128 ? qRgb(qRed(pixel), qGreen(pixel), qBlue(pixel)) : qRgb(255, 0, 255));
    }
  }
  return out;
}

QByteArray Encode(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

// Draws a picture shrunk by `scale` with its top left corner at (dx, dy).
void DrawScaled(QPainter& p, double dx, double dy, double scale, const Picture& picture) {
  p.save();
  p.translate(dx, dy);
  p.scale(scale, scale);
  picture(p);
  p.restore();
}

std::vector<Strip> Strips() {
  const Picture redBadge = [](QPainter& p) { Badge(p, colour::kRed); };
  const auto machine = [](QColor body, bool dim, Picture extra = {}) -> Picture {
    return [=](QPainter& p) {
      Machine(p, body, dim);
      if (extra) extra(p);
    };
  };
  // A small mark at the bottom right of a picture.
  const auto corner = [](Picture base, Picture mark, double at = 7.5, double scale = 0.53) -> Picture {
    return [=](QPainter& p) {
      base(p);
      DrawScaled(p, at, at, scale, mark);
    };
  };
  const auto status = [](int s) -> Picture { return [=](QPainter& p) { StatusDot(p, s); }; };
  const Picture play = Play, pause = Pause, stop = Stop, record = Record;
  const Picture call = [](QPainter& p) { Handset(p, colour::kGreen, false); };
  const Picture hangUp = [](QPainter& p) { Handset(p, colour::kRed, true); };
  const Picture chat = [](QPainter& p) { Bubble(p, colour::kBlue); };
  const Picture person = [](QPainter& p) { Person(p, colour::kBlue); };
  const Picture remove = [](QPainter& p) { Cross(p, colour::kRed); };
  const Picture conversation = [](QPainter& p) {
    DrawScaled(p, 0, 0, 0.8, [](QPainter& q) { Bubble(q, colour::kGrey); });
    DrawScaled(p, 4, 4, 0.75, [](QPainter& q) { Bubble(q, colour::kBlue); });
  };
  const Picture deleteNext = [](QPainter& p) {
    DrawScaled(p, 0, 0, 0.7, [](QPainter& q) { Cross(q, colour::kRed); });
    DrawScaled(p, 6, 5, 0.62, Next);
  };

  return {
      {250, 16,
       {machine(colour::kLightGrey, true), machine(colour::kGreen, false),
        corner(machine(colour::kGreen, false), redBadge, 7, 0.55), machine(colour::kSlate, false, SlashBar),
        corner(machine(colour::kOrange, false), redBadge, 7, 0.55)}},
      {256, 16, {status(0), status(1), status(2), status(3), status(4), status(5), status(6), status(7), status(8), status(9)}},
      {258, 16,
       {[](QPainter& p) { Envelope(p, colour::kLightGrey, true); },
        corner([](QPainter& p) { Envelope(p, colour::kYellow, false); }, redBadge, 7, 0.55)}},
      {260, 16, {corner(conversation, record), corner(conversation, pause), corner(conversation, stop)}},
      {252, 32,
       {corner(conversation, record), machine(colour::kGreen, false), person,
        [](QPainter& p) { Person(p, colour::kGrey); }, corner(call, remove), Speaker,
        [](QPainter& p) { Envelope(p, colour::kBlue, false); }, Gear, AppWindow}},
      {254, 13, {play, stop, record, pause, ResetArrow, Folder, Pencil}},
      {262, 16,
       {play, pause, record, stop, call, People, chat, hangUp, person, Flag, Graph, remove, Folder, Copy}},
      {264, 26,
       {play, pause, record, stop, Previous, Next, remove, deleteNext, Folder, call, People, chat, person, Graph}},
  };
}

bool Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qav-art <folder>\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]);

  std::vector<std::pair<int, QByteArray>> images;
  for (const Strip& strip : Strips()) {
    const QImage image = Draw(strip.size, strip.pictures);
    images.emplace_back(strip.id, Encode(image, "PNG"));
    images.emplace_back(strip.id + 1, Encode(OnMagenta(image), "BMP"));
  }
  // The program icon (128), the property sheet's icon (149) and the product icon of the about page.
  const Picture appIcon = [](QPainter& p) { Machine(p, colour::kGreen, false); };
  images.emplace_back(128, Encode(Draw(64, {appIcon}), "PNG"));
  images.emplace_back(149, Encode(Draw(32, {appIcon}), "PNG"));
  images.emplace_back(151, Encode(Draw(64, {appIcon}), "PNG"));

  QByteArray source =
      "// Generated by qav-art (ui/art/drawing/qav_art.cpp): the program's image strips and icons.\n"
      "#include \"ui/art/art_images.h\"\n\nnamespace {\n";
  for (const auto& [id, bytes] : images) {
    const bool bitmap = id >= 250 && id % 2 == 1;
    if (!Write(folder + QString("/images_%1.%2").arg(id).arg(bitmap ? "bmp" : "png"), bytes)) {
      std::fprintf(stderr, "qav-art: cannot write image %d into %s\n", id, argv[1]);
      return 1;
    }
    source += QByteArray("const unsigned char kImage") + QByteArray::number(id) + "[] = {";
    for (qsizetype i = 0; i < bytes.size(); ++i) {
      if (i % 24 == 0) source += "\n ";
      source += " " + QByteArray::number(static_cast<unsigned char>(bytes[i])) + ",";
    }
    source += "\n};\n";
  }
  source += "}  // namespace\n\nstd::optional<std::span<const uint8_t>> FindArtImage(int id) {\n  switch (id) {\n";
  for (const auto& [id, bytes] : images) {
    source += "    case " + QByteArray::number(id) + ": return std::span<const uint8_t>(kImage" +
              QByteArray::number(id) + ", sizeof kImage" + QByteArray::number(id) + ");\n";
  }
  source += "    default: return std::nullopt;\n  }\n}\n";
  if (!Write(folder + "/art_images.cpp", source)) {
    std::fprintf(stderr, "qav-art: cannot write art_images.cpp into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
