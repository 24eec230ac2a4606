// The custom controls: their arithmetic on the model, and their pixels where drawing is the point.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/gradient_progress_ctrl.h"
#include "ui/controls/hyper_link.h"
#include "ui/controls/image_list.h"
#include "ui/controls/list_box_st.h"
#include "ui/controls/push_graph.h"
#include "ui/controls/qt_color.h"
#include "ui/controls/x_progress_bar.h"

namespace {

// The link's opener: records the addresses and answers as told.
class RecordingShell {
 public:
  explicit RecordingShell(bool succeed) : m_succeed(succeed) {}
  CHyperLink::Opener Opener() {
    return [this](const std::u16string& url) {
      opened.push_back(url);
      return m_succeed;
    };
  }
  std::vector<std::u16string> opened;

 private:
  bool m_succeed;
};

class RecordingBoxes : public qav::MessageBoxHandler {
 public:
  RecordingBoxes() : m_previous(qav::GetMessageBoxHandler()) { qav::SetMessageBoxHandler(this); }
  ~RecordingBoxes() override { qav::SetMessageBoxHandler(m_previous); }
  int Show(std::u16string_view text, std::u16string_view, uint32_t type) override {
    shown.emplace_back(text);
    types.push_back(type);
    return 1;
  }
  std::vector<std::u16string> shown;
  std::vector<uint32_t> types;

 private:
  qav::MessageBoxHandler* m_previous;
};

QImage Render(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// ---- push graph ----

TEST(PushGraphModel, VisiblePointsCountTheWidthInStepsPlusTwo) {
  struct Case {
    int width;
    uint16_t step;
    int visible;
  };
  for (const Case& c : std::vector<Case>{{269, 1, 271}, {100, 2, 52}, {101, 2, 53}, {10, 3, 6}, {0, 2, 2}, {-5, 4, 2}}) {
    CPushGraphModel model;
    model.SetStep(c.step);
    EXPECT_EQ(model.VisiblePoints(c.width), c.visible) << c.width << " / " << c.step;
  }
  CPushGraphModel model;
  EXPECT_EQ(model.VisiblePoints(100), 52);  // the default step is 2
  model.SetStep(1);                         // a new step forces a recount
  EXPECT_EQ(model.VisiblePoints(100), 102);
  model.SetStep(0);  // held to 1: a zero step would divide by zero
  EXPECT_EQ(model.GetStep(), 1);
}

TEST(PushGraphModel, PushClampsAndUnknownIdsChangeNothing) {
  CPushGraphModel model;
  model.AddLine(0, RGB(255, 0, 0));
  EXPECT_FALSE(model.Push(50, 7));
  EXPECT_TRUE(model.Lines()[0].values.empty());
  EXPECT_TRUE(model.Push(150, 0));
  EXPECT_TRUE(model.Push(-3, 0));
  EXPECT_EQ(model.Lines()[0].values, (std::vector<int>{100, 0}));
  model.SetClampToRange(false);
  EXPECT_TRUE(model.Push(-1, 0));
  EXPECT_EQ(model.Lines()[0].values.back(), -1);
  EXPECT_EQ(model.GetLineColour(7), 0u);
  EXPECT_FALSE(model.SetLineColour(7, 1));
}

TEST(PushGraphModel, LayoutSkipsOutOfRangePointsAndPadsShortLines) {
  CPushGraphModel model;
  model.SetStep(1);
  model.SetClampToRange(false);
  model.AddLine(0, RGB(255, 0, 0));
  model.AddLine(1, RGB(0, 0, 255));
  EXPECT_TRUE(model.Layout(QRect(0, 0, 10, 100)).empty());  // lines without values draw nothing
  for (int v : {10, -1, 50, 200, 100}) model.Push(v, 0);
  model.Push(30, 1);
  const auto layout = model.Layout(QRect(0, 0, 10, 100));
  ASSERT_EQ(layout.size(), 2u);
  // The polyline starts at the first point and joins across the points out of range.
  EXPECT_EQ(layout[0].points, (std::vector<QPoint>{{0, 90}, {0, 90}, {2, 50}, {4, 0}}));
  // A shorter line repeats its last value up to the longest.
  ASSERT_EQ(layout[1].points.size(), 6u);
  EXPECT_EQ(layout[1].points.back(), QPoint(4, 70));
}

TEST(PushGraphModel, OnlyTheNewestPointsThatFitAreDrawn) {
  CPushGraphModel model;
  model.SetStep(2);
  model.AddLine(0, 0);
  for (int i = 0; i < 20; ++i) model.Push(i, 0);
  // The graph updates before it repaints: 20 - 7 + 1 = 14 points of 2 px scrolled, so the grid
  // moves back 28 px mod 15.
  model.Update(10);
  EXPECT_EQ(model.GetGridOffset(), ((0 - 28) % 15 + 15) % 15);
  const auto layout = model.Layout(QRect(0, 0, 10, 100));  // 7 visible points: 6 are drawn
  ASSERT_EQ(layout.size(), 1u);
  ASSERT_EQ(layout[0].points.size(), 7u);  // start + 6
  EXPECT_EQ(layout[0].points[1], QPoint(0, 100 - 14));
  EXPECT_EQ(layout[0].points.back(), QPoint(10, 100 - 19));
}

TEST(PushGraphModel, DrawingDropsTheOldestPointsSoTheNextUpdateScrollsByWhatCameSince) {
  CPushGraphModel model;
  model.SetStep(2);
  model.AddLine(0, 0);
  model.AddLine(1, 0);
  for (int i = 0; i < 20; ++i) model.Push(i, 0);
  model.Update(10);  // 7 visible points: 20 - 7 + 1 = 14 points of 2 px back, 28 mod 15
  model.Layout(QRect(0, 0, 10, 100));
  EXPECT_EQ(model.GetGridOffset(), 2);
  // What was drawn is what is kept: six points each, the shorter line evened out to its last value.
  EXPECT_EQ(model.Lines()[0].values, (std::vector<int>{14, 15, 16, 17, 18, 19}));
  EXPECT_EQ(model.Lines()[1].values, (std::vector<int>(6, 0)));

  for (int i = 20; i < 23; ++i) model.Push(i, 0);
  model.Update(10);  // 9 - 7 + 1 = 3 points, 6 px further back
  EXPECT_EQ(model.GetGridOffset(), 11);
  model.Layout(QRect(0, 0, 10, 100));
  model.Push(23, 0);
  model.Update(10);  // 6 + 1 points: 7 - 7 + 1 = 1 point, 2 px
  EXPECT_EQ(model.GetGridOffset(), 9);
  EXPECT_EQ(model.Lines()[0].values.size(), 7u);
}

TEST(PushGraphModel, ThePositionCursorIsAtLeastOnePixelWideWithStepOne) {
  CPushGraphModel model;
  model.SetStep(1);
  model.AddLine(2, RGB(0, 255, 0));
  model.SetLineBarMode(2, true);
  model.SetClampToRange(false);  // the empty points stay below the range and are skipped
  for (int i = 0; i < 5; ++i) model.Push(-1, 2);
  model.Push(100, 2);
  model.Push(100, 2);
  model.Push(-1, 2);
  const auto layout = model.Layout(QRect(0, 0, 50, 20));
  ASSERT_EQ(layout.size(), 1u);
  EXPECT_EQ(layout[0].bars, (std::vector<QRect>{QRect(6, 0, 1, 20), QRect(7, 0, 1, 20)}));
}

TEST(PushGraphModel, SeekFractionUsesXAloneHeldToTheRecording) {
  EXPECT_DOUBLE_EQ(CPushGraphModel::SeekFraction(0, 200), 0.0);
  EXPECT_DOUBLE_EQ(CPushGraphModel::SeekFraction(100, 200), 0.5);
  EXPECT_DOUBLE_EQ(CPushGraphModel::SeekFraction(199, 200), 0.995);
  EXPECT_DOUBLE_EQ(CPushGraphModel::SeekFraction(250, 200), 1.0);
  EXPECT_DOUBLE_EQ(CPushGraphModel::SeekFraction(-4, 200), 0.0);
  EXPECT_DOUBLE_EQ(CPushGraphModel::SeekFraction(5, 0), 0.0);
}

TEST(PushGraph, DrawsTheLineAndCursorAndReportsPressAndRelease) {
  C2DPushGraph graph;
  graph.resize(40, 20);
  graph.SetStep(1);
  graph.AddLine(0, RGB(255, 0, 0));
  for (int i = 0; i < 40; ++i) graph.Push(50, 0);
  graph.AddLine(2, RGB(0, 255, 0));
  graph.SetLineBarMode(2, true);
  for (int i = 0; i < 19; ++i) graph.Push(-1, 2);
  graph.Push(100, 2);
  graph.Push(100, 2);
  const QImage image = Render(graph);
  EXPECT_EQ(image.pixel(5, 10), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(5, 3), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(20, 3), qRgb(0, 255, 0));
  EXPECT_EQ(C2DPushGraph::BarLightEdge(RGB(0, 230, 0)), RGB(0, 255, 0));
  EXPECT_EQ(C2DPushGraph::BarDarkEdge(RGB(20, 100, 0)), RGB(0, 60, 0));

  QSignalSpy clicks(&graph, &C2DPushGraph::graphClick);
  QTest::mousePress(&graph, Qt::LeftButton, {}, QPoint(10, 15));
  QTest::mouseRelease(&graph, Qt::LeftButton, {}, QPoint(30, 15));
  ASSERT_EQ(clicks.count(), 2);
  EXPECT_EQ(clicks[0][0].toInt(), C2DPushGraph::kButtonDown);
  EXPECT_EQ(clicks[1][0].toInt(), C2DPushGraph::kButtonUp);
  EXPECT_EQ(clicks[1][1].toPoint(), QPoint(30, 15));
}

TEST(PushGraph, TakesThePlaceOfItsPlaceholder) {
  QWidget dialog;
  auto* placeholder = new QWidget(&dialog);
  placeholder->setGeometry(14, 106, 269, 17);
  C2DPushGraph graph;
  EXPECT_FALSE(graph.CreateFromStatic(nullptr));
  ASSERT_TRUE(graph.CreateFromStatic(placeholder));
  EXPECT_EQ(graph.parentWidget(), &dialog);
  EXPECT_EQ(graph.geometry(), QRect(14, 106, 269, 17));
  EXPECT_EQ(dialog.children().size(), 1);
  graph.setParent(nullptr);

  // A placeholder in a layout hands over its cell: the graph takes its width when the layout grows.
  QWidget laidOut;
  auto* grid = new QGridLayout(&laidOut);
  auto* label = new QLabel(QStringLiteral("Stress Level:"), &laidOut);
  auto* cell = new QWidget(&laidOut);
  grid->addWidget(label, 0, 0);
  grid->addWidget(cell, 1, 0);
  C2DPushGraph inGrid;
  ASSERT_TRUE(inGrid.CreateFromStatic(cell));
  EXPECT_EQ(grid->indexOf(&inGrid), 1);
  laidOut.resize(300, 100);
  grid->activate();
  EXPECT_EQ(inGrid.width(), label->width());
  EXPECT_GT(inGrid.y(), label->y());
  inGrid.setParent(nullptr);
}

// ---- progress controls ----

TEST(XProgressBar, AClickReportsThePositionUnderTheMouse) {
  EXPECT_EQ(CXProgressBar::PositionAt(0, 200, 0, 1000), 0);
  EXPECT_EQ(CXProgressBar::PositionAt(100, 200, 0, 1000), 500);
  EXPECT_EQ(CXProgressBar::PositionAt(199, 200, 0, 1000), 995);  // just under the upper bound
  EXPECT_EQ(CXProgressBar::PositionAt(500, 200, 0, 1000), 995);
  EXPECT_EQ(CXProgressBar::PositionAt(-9, 200, 10, 20), 10);
  // Byte ranges of large recordings do not overflow.
  EXPECT_EQ(CXProgressBar::PositionAt(150, 200, 0, 2000000000), 1500000000);

  CXProgressBar bar;
  bar.resize(200, 10);
  bar.setRange(0, 1000);
  QSignalSpy clicks(&bar, &CXProgressBar::progressClick);
  QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(50, 5));
  QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(100, 5));
  ASSERT_EQ(clicks.count(), 2);
  EXPECT_EQ(clicks[0][0].toInt(), CXProgressBar::kButtonDown);
  EXPECT_EQ(clicks[0][1].toInt(), 250);
  EXPECT_EQ(clicks[1][0].toInt(), CXProgressBar::kButtonUp);
  EXPECT_EQ(clicks[1][1].toInt(), 500);
}

TEST(GradientProgressCtrl, BandsRunFromStartToEndAndStopAtTheFilledLength) {
  // Red to blue: 255 bands over 510 px, two pixels each.
  auto layout = CGradientProgressCtrl::GradientLayout(RGB(255, 0, 0), RGB(0, 0, 255), 510, 510);
  ASSERT_EQ(layout.bands.size(), 255u);
  EXPECT_EQ(layout.bands[0].from, 0);
  EXPECT_EQ(layout.bands[0].to, 2);
  EXPECT_EQ(layout.bands[0].colour, RGB(255, 0, 0));
  EXPECT_EQ(layout.bands[254].to, 510);
  EXPECT_EQ(layout.bands[254].colour, RGB(1, 0, 254));
  EXPECT_EQ(layout.backgroundFrom, -1);
  // Cut at 101 px: the band that reaches past stops there and the rest is background.
  layout = CGradientProgressCtrl::GradientLayout(RGB(255, 0, 0), RGB(0, 0, 255), 510, 101);
  ASSERT_EQ(layout.bands.size(), 51u);
  EXPECT_EQ(layout.bands.back().to, 101);
  EXPECT_EQ(layout.backgroundFrom, 101);
  // Equal colours: 255 bands of one colour.
  layout = CGradientProgressCtrl::GradientLayout(RGB(9, 9, 9), RGB(9, 9, 9), 255, 255);
  ASSERT_EQ(layout.bands.size(), 255u);
  EXPECT_EQ(layout.bands[100].colour, RGB(9, 9, 9));
  // A small difference gives few, wide bands.
  layout = CGradientProgressCtrl::GradientLayout(RGB(0, 0, 0), RGB(4, 0, 0), 100, 100);
  ASSERT_EQ(layout.bands.size(), 4u);
  EXPECT_EQ(layout.bands[1].from, 25);
  EXPECT_EQ(layout.bands[3].colour, RGB(3, 0, 0));
}

TEST(GradientProgressCtrl, FilledLengthAndPercentText) {
  EXPECT_EQ(CGradientProgressCtrl::FilledLength(0, 0, 100, 200), -1);  // at the lower bound: empty
  EXPECT_EQ(CGradientProgressCtrl::FilledLength(101, 0, 100, 200), -1);
  EXPECT_EQ(CGradientProgressCtrl::FilledLength(50, 0, 100, 200), 100);
  EXPECT_EQ(CGradientProgressCtrl::FilledLength(100, 0, 100, 200), 200);
  EXPECT_EQ(CGradientProgressCtrl::PercentText(50, 0, 100), QStringLiteral(" 50 %"));
  EXPECT_EQ(CGradientProgressCtrl::PercentText(5, 0, 0), QStringLiteral("  0 %"));

  CGradientProgressCtrl bar;
  bar.resize(104, 12);
  bar.SetStartColour(RGB(0, 200, 0));
  bar.SetEndColour(RGB(0, 200, 0));
  bar.SetBkColour(RGB(0, 0, 200));
  bar.SetPos(50);
  QImage image = Render(bar);
  EXPECT_EQ(image.pixel(20, 6), qRgb(0, 200, 0));
  EXPECT_EQ(image.pixel(80, 6), qRgb(0, 0, 200));
  bar.SetPos(0);
  image = Render(bar);
  EXPECT_EQ(image.pixel(20, 6), bar.palette().color(QPalette::Button).rgb());
}

// ---- colour static and hyperlink ----

TEST(ColorStaticST, BlinkingFlipsThePhasesAndNotifiesInTheOnPhase) {
  CColorStaticST text;
  text.setText(QStringLiteral("Blink"));
  text.SetTextColor(RGB(1, 2, 3));
  text.SetBlinkTextColors(RGB(10, 0, 0), RGB(20, 0, 0));
  EXPECT_EQ(text.CurrentTextColor(), RGB(1, 2, 3));
  text.SetBlinkNotify(1234);
  QSignalSpy notices(&text, &CColorStaticST::blinkOn);
  text.StartTextBlink(true, 1);
  EXPECT_TRUE(text.IsBlinking());
  EXPECT_EQ(text.CurrentTextColor(), RGB(10, 0, 0));
  text.OnBlinkTimer();
  EXPECT_EQ(text.CurrentTextColor(), RGB(20, 0, 0));
  ASSERT_EQ(notices.count(), 1);
  EXPECT_EQ(notices[0][0].toInt(), 1234);
  text.OnBlinkTimer();
  EXPECT_EQ(notices.count(), 1);  // the "off" phase says nothing
  text.StartTextBlink(false, 1);
  EXPECT_FALSE(text.IsBlinking());
  EXPECT_EQ(text.CurrentTextColor(), RGB(1, 2, 3));
  EXPECT_EQ(CColorStaticST::BlinkPeriodMs(0), 2000);
  EXPECT_EQ(CColorStaticST::BlinkPeriodMs(2), 500);
  EXPECT_EQ(CColorStaticST::BlinkPeriodMs(333), 333);
}

TEST(ColorStaticST, PaintsItsBackgroundOnlyWhenNotTransparent) {
  QWidget parent;
  parent.setAutoFillBackground(true);
  QPalette palette = parent.palette();
  palette.setColor(QPalette::Window, QColor(1, 1, 1));
  parent.setPalette(palette);
  auto* text = new CColorStaticST(&parent);
  text->setGeometry(0, 0, 60, 20);
  text->SetBkColor(RGB(0, 150, 0));
  EXPECT_EQ(Render(parent).pixel(58, 18), qRgb(1, 1, 1));
  text->SetTransparent(false);
  EXPECT_EQ(Render(parent).pixel(58, 18), qRgb(0, 150, 0));
}

TEST(HyperLink, FollowingOffOnlyMarksVisitedAndNotifiesTheParent) {
  RecordingShell shell(true);
  CHyperLink link(QStringLiteral("https://example.invalid/"));
  link.SetOpener(shell.Opener());
  link.SetAutoOpen(false);
  QSignalSpy clicked(&link, &CHyperLink::clicked);
  QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_TRUE(shell.opened.empty());
  EXPECT_TRUE(link.GetVisited());
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_EQ(link.CurrentTextColour(), link.GetVisitedColour());
}

TEST(HyperLink, AClickOpensTheAddressThroughTheShellOrSaysWhyNot) {
  RecordingShell shell(true);
  CHyperLink link(QStringLiteral("Home page"));
  link.SetURL(QStringLiteral("http://127.0.0.1/a b?x=1&y=\"2\""));
  EXPECT_EQ(link.text(), QStringLiteral("Home page"));
  EXPECT_EQ(link.toolTip(), link.GetURL());
  link.SetOpener(shell.Opener());
  QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0], u"http://127.0.0.1/a b?x=1&y=\"2\"");  // one argument, as it is
  EXPECT_TRUE(link.GetVisited());

  RecordingShell failing(false);
  RecordingBoxes boxes;
  CHyperLink broken(QStringLiteral("http://127.0.0.1/"));
  broken.SetOpener(failing.Opener());
  QTest::mouseClick(&broken, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_FALSE(broken.GetVisited());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].rfind(u"Unable to open hyperlink:\n\n", 0), 0u);
  EXPECT_EQ(boxes.types[0] & 0xF0, qav::MB_ICONEXCLAMATION);
  EXPECT_EQ(CHyperLink::OpenErrorText(2), QStringLiteral("The specified file was not found."));
  EXPECT_EQ(CHyperLink::OpenErrorText(77), QStringLiteral("Unknown Error (77) occurred."));
}

TEST(HyperLink, UnderlineFollowsItsModeAndTheHover) {
  CHyperLink link(QStringLiteral("link"));
  link.SetColours(RGB(0, 0, 0xEE), RGB(0, 0, 0xEE), RGB(255, 0, 0), CHyperLink::kNoColour);
  EXPECT_FALSE(link.IsUnderlinedNow());
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QApplication::sendEvent(&link, &enter);
  EXPECT_TRUE(link.IsOver());
  EXPECT_TRUE(link.font().underline());
  EXPECT_EQ(link.CurrentTextColour(), RGB(255, 0, 0));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&link, &leave);
  EXPECT_FALSE(link.font().underline());
  link.SetUnderline(CHyperLink::kUnderlineAlways);
  QApplication::sendEvent(&link, &enter);
  QApplication::sendEvent(&link, &leave);
  EXPECT_TRUE(link.font().underline());  // stays underlined after the mouse leaves
  link.SetUnderline(CHyperLink::kUnderlineNever);
  QApplication::sendEvent(&link, &enter);
  EXPECT_FALSE(link.font().underline());
}

TEST(HyperLink, FitsItsTextKeepingTheAlignedEdge) {
  QWidget parent;
  auto* right = new CHyperLink(QString(), &parent);
  right->setAlignment(Qt::AlignRight);
  right->setGeometry(10, 10, 300, 20);
  right->SetURL(QStringLiteral("short"));
  EXPECT_LT(right->width(), 300);
  EXPECT_EQ(right->geometry().right(), 309);
  auto* left = new CHyperLink(QString(), &parent);
  left->setGeometry(10, 40, 300, 20);
  left->SetAutoSize(false);
  left->SetURL(QStringLiteral("short"));
  EXPECT_EQ(left->width(), 300);
}

// ---- icon list box ----

CImageList SixteenPixelIcons() {
  QImage strip(32, 16, QImage::Format_ARGB32);
  strip.fill(QColor(200, 0, 0));
  CImageList list(16, 16);
  list.AddStrip(strip);
  return list;
}

TEST(ListBoxST, RowHeightsFollowTheTextAndTheIcon) {
  EXPECT_EQ(CListBoxST::RowHeight(0, 16, true), 24);  // an empty text: icon + 8
  EXPECT_EQ(CListBoxST::RowHeight(13, 16, true), 24);
  EXPECT_EQ(CListBoxST::RowHeight(39, 16, true), 43);
  EXPECT_EQ(CListBoxST::RowHeight(13, 0, false), 17);

  const CImageList icons = SixteenPixelIcons();
  CListBoxST list;
  list.resize(160, 300);
  list.SetImageList(&icons);
  list.AddString(QString(), 0);
  list.AddString(QStringLiteral("One"), 1);
  list.AddString(QStringLiteral("A long text that wraps over several lines of the narrow list box"), 0);
  list.show();
  QApplication::processEvents();
  const int empty = list.visualItemRect(list.item(0)).height();
  const int one = list.visualItemRect(list.item(1)).height();
  const int wrapped = list.visualItemRect(list.item(2)).height();
  EXPECT_EQ(empty, 24);
  EXPECT_GE(one, 24);
  EXPECT_GT(wrapped, one + list.fontMetrics().height());
}

TEST(ListBoxST, RecordsKeepTheirFieldsAndRowsWithoutOneCountAsEnabled) {
  CListBoxST list;
  EXPECT_EQ(list.AddString(QStringLiteral("a"), 3), 0);
  EXPECT_EQ(list.GetItemData(0), 0);  // no data yet
  EXPECT_EQ(list.GetItemImage(0), 3);
  list.SetItemData(0, 77);
  EXPECT_EQ(list.GetItemData(0), 77);
  EXPECT_EQ(list.SetItem(0, 5, 0, 9, CListBoxST::kRowDisabled, CListBoxST::kMaskValue | CListBoxST::kMaskFlags), 1);
  EXPECT_EQ(list.GetItemValue(0), 5);
  EXPECT_EQ(list.GetItemImage(0), 3);  // not in the mask
  EXPECT_FALSE(list.IsItemEnabled(0));
  list.DeleteItemData(0);
  EXPECT_EQ(list.GetItemData(0), -1);
  EXPECT_TRUE(list.IsItemEnabled(0));
  EXPECT_EQ(list.EnableItem(0, false), CListBoxST::kError);
  EXPECT_EQ(list.GetItemData(5), -1);
  EXPECT_EQ(list.SetItem(5, 0, 0, 0, 0, CListBoxST::kMaskValue), CListBoxST::kError);

  list.AddString(QStringLiteral("b"));
  list.AddString(QStringLiteral("c"));
  list.SetItemValue(2, 42);
  EXPECT_EQ(list.MoveTop(2), 0);
  EXPECT_EQ(list.item(0)->text(), QStringLiteral("c"));
  EXPECT_EQ(list.GetItemValue(0), 42);
  EXPECT_EQ(list.currentRow(), 0);
  EXPECT_EQ(list.MoveUp(0), CListBoxST::kError);  // beyond the top: nothing
  EXPECT_EQ(list.MoveBottom(0), 2);
  EXPECT_EQ(list.item(2)->text(), QStringLiteral("c"));

  list.ResetContent();
  EXPECT_EQ(list.count(), 0);
  list.ResetContent();  // on an empty list
  EXPECT_EQ(list.count(), 0);
  list.SetHighlightMode(7);
  EXPECT_EQ(list.GetHighlightMode(), CListBoxST::kHighlightRow);
}

TEST(ListBoxST, ADoubleClickOnADisabledRowReachesNobody) {
  CListBoxST list;
  list.resize(160, 100);
  list.AddString(QStringLiteral("enabled"));
  list.AddString(QStringLiteral("disabled"));
  list.EnableItem(1, false);
  list.show();
  QApplication::processEvents();
  QSignalSpy rows(&list, &CListBoxST::rowDoubleClicked);
  QSignalSpy items(&list, &QListWidget::itemDoubleClicked);
  QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(1)).center());
  EXPECT_EQ(rows.count(), 0);
  EXPECT_EQ(items.count(), 0);
  QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(0)).center());
  ASSERT_EQ(rows.count(), 1);
  EXPECT_EQ(rows[0][0].toInt(), 0);
}

TEST(ListBoxST, SelectedRowsDrawOnTheHighlightAndDisabledRowsGrey) {
  const CImageList icons = SixteenPixelIcons();
  CListBoxST list;
  list.resize(160, 100);
  list.SetImageList(&icons);
  list.AddString(QStringLiteral("first"), 0);
  list.AddString(QStringLiteral("second"), 0);
  list.AddString(QStringLiteral("third"), 0);
  list.EnableItem(2, false);
  list.setCurrentRow(0);
  list.show();
  QApplication::processEvents();
  const QImage image = list.viewport()->grab().toImage();
  const QRect row0 = list.visualItemRect(list.item(0));
  const QRect row1 = list.visualItemRect(list.item(1));
  const QRect row2 = list.visualItemRect(list.item(2));
  // How many pixels of a row's text area (right of the icon) have exactly this colour.
  const auto textPixels = [&image](const QRect& row, QColor colour) {
    int count = 0;
    for (int y = row.top(); y <= row.bottom(); ++y) {
      for (int x = row.left() + 3 + 16 + 6; x <= row.right(); ++x) count += image.pixel(x, y) == colour.rgb();
    }
    return count;
  };
  const QColor text = list.palette().color(QPalette::Text);
  const QColor inverted = QColor::fromRgb(~text.rgb() & 0xFFFFFF);
  const QColor greyText = list.palette().color(QPalette::Disabled, QPalette::Text);
  ASSERT_NE(greyText.rgb(), text.rgb()) << "the palette must tell the two apart for this test";
  // The selected row's text is the window text with every bit flipped, the others' as they are,
  // and the disabled row's grey.
  EXPECT_GT(textPixels(row0, inverted), 0);
  EXPECT_EQ(textPixels(row0, text), 0);
  EXPECT_GT(textPixels(row1, text), 0);
  EXPECT_GT(textPixels(row2, greyText), 0);
  EXPECT_EQ(textPixels(row2, text), 0);
  // A disabled row's icon is the blended one.
  EXPECT_NE(image.pixel(row2.left() + 3 + 8, row2.top() + 2 + 8), qRgb(200, 0, 0));
  // The highlight of the window's current colour group (it may not be the active window).
  const QRgb highlight = image.pixel(row0.right() - 8, row0.center().y());
  EXPECT_TRUE(highlight == list.palette().color(QPalette::Active, QPalette::Highlight).rgb() ||
              highlight == list.palette().color(QPalette::Inactive, QPalette::Highlight).rgb());
  EXPECT_EQ(image.pixel(1, row0.center().y()), highlight);  // mode 0: the icon area too
  EXPECT_EQ(image.pixel(row1.right() - 8, row1.center().y()), list.palette().color(QPalette::Base).rgb());
  EXPECT_EQ(image.pixel(row0.left() + 3 + 8, row0.top() + 2 + 8), qRgb(200, 0, 0));  // the icon
}

}  // namespace
