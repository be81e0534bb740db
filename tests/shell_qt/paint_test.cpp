// Painting at the pace of the display: the repaint pacer, the window's
// batched and hidden repaints, and the pictures kept in place of drawing
// again (composed skin art, labels, the look of custom-painted buttons).
// Every kept picture must give the pixels direct drawing gives.

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <thread>

#include "platform/ui/button.h"
#include "platform/ui/custom_control.h"
#include "shell/qt/paint_pacer.h"
#include "shell/qt/qt_painter.h"
#include "shell/qt/skin_image.h"
#include "shell/qt/text_cache.h"
#include "tests/shell_qt/qt_test_support.h"

namespace qthost_test {
namespace {

using qthost::PaintPacer;

constexpr QRgb kBackground = 0xFF0A141E;

QImage Canvas(QSize size = {40, 30}) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(kBackground);
    return image;
}

// Pixels that differ between two images of one size, for readable failures.
int DifferingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return -1;
    }
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
    }
    return count;
}

// The largest difference of one colour channel between two images of one size.
int LargestChannelDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest =
                std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    }
    return largest;
}

struct PacerProbe {
    std::vector<std::vector<QWidget*>> batches;
    std::function<void()> onRepaint;
    PaintPacer pacer{[this](const std::vector<QWidget*>& widgets) {
        batches.push_back(widgets);
        if (onRepaint) {
            onRepaint();
        }
    }};
};

// Runs the event loop until `done` holds; false when `ms` passed without.
bool WaitFor(const std::function<bool()>& done, int ms) {
    return QTest::qWaitFor(done, ms);
}

// Some steps need a few calls to land within one display frame; a test held
// up longer than that (a loaded machine) cannot judge them. `clock` starts
// before the first of those calls.
#define SKIP_IF_STALLED(clock)                                 \
    if ((clock).elapsed() >= PaintPacer::kFrameMs - 1) {       \
        GTEST_SKIP() << "held up past a display frame; retry"; \
    }

void SleepPastAFrame() {
    std::this_thread::sleep_for(std::chrono::milliseconds(PaintPacer::kFrameMs + 4));
}

TEST(PaintPacer, PassesTheFirstRequestAtOnceAndGathersTheRestOfTheFrame) {
    QWidget a, b;
    quint64 markA = 0, markB = 0;
    PacerProbe probe;
    QElapsedTimer clock;
    clock.start();
    probe.pacer.Request(&a, markA);
    ASSERT_EQ(probe.batches.size(), 1u);  // synchronously, nothing waits for a timer
    EXPECT_EQ(probe.batches[0], std::vector<QWidget*>{&a});

    // Within the frame: gathered, each widget once however often it asks.
    for (int i = 0; i < 50; ++i) {
        probe.pacer.Request(&b, markB);
        probe.pacer.Request(&a, markA);
    }
    SKIP_IF_STALLED(clock);
    EXPECT_EQ(probe.batches.size(), 1u);
    EXPECT_EQ(probe.pacer.Pending(), 2u);
    ASSERT_TRUE(WaitFor([&] { return probe.batches.size() == 2u; }, 2000));  // the fallback timer
    EXPECT_GE(clock.elapsed(), PaintPacer::kFrameMs);
    EXPECT_EQ(probe.batches[1], (std::vector<QWidget*>{&b, &a}));
    EXPECT_EQ(probe.pacer.Pending(), 0u);

    // A request a frame after the flush passes on what waits, without the timer.
    SleepPastAFrame();
    clock.restart();
    probe.pacer.Request(&a, markA);  // after a quiet frame: at once
    ASSERT_EQ(probe.batches.size(), 3u);
    probe.pacer.Request(&b, markB);
    SKIP_IF_STALLED(clock);
    SleepPastAFrame();  // the event loop does not run: the timer cannot fire
    probe.pacer.Request(&a, markA);
    ASSERT_EQ(probe.batches.size(), 4u);
    EXPECT_EQ(probe.batches[3], (std::vector<QWidget*>{&b, &a}));
}

TEST(PaintPacer, ARepaintThatAsksAgainWaitsForTheNextFrame) {
    QWidget a;
    quint64 mark = 0;
    PacerProbe probe;
    int again = 3;
    probe.onRepaint = [&] {
        if (again-- > 0) {
            probe.pacer.Request(&a, mark);
        }
    };
    QElapsedTimer clock;
    clock.start();
    probe.pacer.Request(&a, mark);
    SKIP_IF_STALLED(clock);
    EXPECT_EQ(probe.batches.size(), 1u);  // no recursion into a second flush
    EXPECT_EQ(probe.pacer.Pending(), 1u);
    EXPECT_TRUE(WaitFor([&] { return probe.batches.size() == 4u; }, 3000));
    for (const auto& batch : probe.batches) {
        EXPECT_EQ(batch, std::vector<QWidget*>{&a});
    }
}

TEST(PaintPacer, SkipsDeletedWidgetsAndTakesDroppedOnesAgain) {
    QWidget kept;
    quint64 markKept = 0, markGone = 0, markFirst = 0;
    QWidget first;
    PacerProbe probe;
    QElapsedTimer clock;
    clock.start();
    probe.pacer.Request(&first, markFirst);
    {
        QWidget gone;
        probe.pacer.Request(&gone, markGone);
        probe.pacer.Request(&kept, markKept);
    }
    SKIP_IF_STALLED(clock);
    ASSERT_TRUE(WaitFor([&] { return probe.batches.size() == 2u; }, 2000));
    EXPECT_EQ(probe.batches[1], std::vector<QWidget*>{&kept});

    // Only deleted widgets waiting: nothing is passed on.
    SleepPastAFrame();
    clock.restart();
    probe.pacer.Request(&first, markFirst);  // after a quiet frame: at once
    ASSERT_EQ(probe.batches.size(), 3u);
    {
        QWidget gone;
        probe.pacer.Request(&gone, markGone);  // waits, then dies
        SKIP_IF_STALLED(clock);
        EXPECT_EQ(probe.pacer.Pending(), 1u);
    }
    QTest::qWait(200);
    EXPECT_EQ(probe.batches.size(), 3u);
    EXPECT_EQ(probe.pacer.Pending(), 0u);

    // Dropped while waiting: forgotten, and a later request is taken again
    // although the widget's mark still holds the dropped batch.
    clock.restart();
    probe.pacer.Request(&first, markFirst);  // after a quiet frame: at once
    ASSERT_EQ(probe.batches.size(), 4u);
    probe.pacer.Request(&kept, markKept);
    SKIP_IF_STALLED(clock);
    EXPECT_EQ(probe.pacer.Pending(), 1u);
    probe.pacer.Drop();
    EXPECT_EQ(probe.pacer.Pending(), 0u);
    QTest::qWait(200);
    EXPECT_EQ(probe.batches.size(), 4u);
    probe.pacer.Request(&kept, markKept);
    ASSERT_EQ(probe.batches.size(), 5u);
    EXPECT_EQ(probe.batches[4], std::vector<QWidget*>{&kept});
}

// --- Borders -------------------------------------------------------------

// The border of `rect` (image pixels) `width` thick, blended exactly once.
QImage ExpectedBorder(QSize size, QRect rect, int width, QColor color) {
    QImage once = Canvas({1, 1});
    QPainter(&once).fillRect(0, 0, 1, 1, color);
    QImage expected = Canvas(size);
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const int inset =
                std::min({x - rect.left(), rect.right() - x, y - rect.top(), rect.bottom() - y});
            if (inset < width) {
                expected.setPixel(x, y, once.pixel(0, 0));
            }
        }
    }
    return expected;
}

TEST(QtPainterBorder, LiesInsideAndBlendsEveryPixelOnceWhateverTheWidth) {
    const QColor translucent(255, 40, 0, 128);
    const QPoint origin(100, 50);  // where the image's (0, 0) lies in the window
    qthost::SkinImages images;
    const struct {
        QRect rect;
        int width;
    } cases[] = {
        {{3, 4, 20, 15}, 1}, {{3, 4, 20, 15}, 3},
        {{0, 0, 40, 30}, 2}, {{5, 5, 12, 4}, 3},  // thicker than half the height: the strips meet
        {{5, 5, 4, 11}, 2},                       // exactly half the width
        {{5, 5, 9, 7}, 50},                       // thicker than the whole rectangle
        {{6, 7, 1, 1}, 1},
    };
    for (const auto& c : cases) {
        QImage image = Canvas();
        {
            QPainter painter(&image);
            qthost::QtPainter canvas(painter, images, origin, QFont());
            const QRect w = c.rect.translated(origin);
            canvas.DrawRect(ui::Rect{w.left(), w.top(), w.right() + 1, w.bottom() + 1},
                            ui::Color::FromArgb(128, 255, 40, 0), c.width);
        }
        const QImage expected = ExpectedBorder(image.size(), c.rect, c.width, translucent);
        EXPECT_EQ(DifferingPixels(image, expected), 0)
            << "rect " << c.rect.x() << "," << c.rect.y() << " " << c.rect.width() << "x"
            << c.rect.height() << " width " << c.width;
    }
    for (int width : {0, -3}) {
        QImage image = Canvas();
        {
            QPainter painter(&image);
            qthost::QtPainter canvas(painter, images, QPoint(0, 0), QFont());
            canvas.DrawRect(ui::Rect{2, 2, 20, 20}, ui::Color{0xFFFF0000}, width);
            canvas.DrawRect(ui::Rect{2, 2, 2, 20}, ui::Color{0xFFFF0000}, 3);  // empty
        }
        EXPECT_EQ(DifferingPixels(image, Canvas()), 0) << width;
    }
}

// --- Composed skin art ---------------------------------------------------

// A 6x6 picture of distinct colours, so that every slice shows where it went.
void WriteArt(const QString& path, int seed) {
    QImage art(6, 6, QImage::Format_ARGB32);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            art.setPixel(x, y, qRgb(40 * x + seed, 40 * y, 255 - 30 * (x + y) - seed));
        }
    }
    ASSERT_TRUE(art.save(path));
}

struct Draw {
    QRect target;
    bool smooth = false;
    int fade = 255;
};

QImage DrawnBy(const qthost::SkinImages& images, const qthost::ImageSpec& spec, const Draw& d) {
    QImage image = Canvas();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, d.smooth);
    qthost::ImageSpec s = spec;
    s.fade = d.fade;
    EXPECT_TRUE(images.Draw(painter, d.target, s));
    return image;
}

// The direct drawing: the whole art scaled, or its nine slices (corners of
// `c` pixels keep their size, the edges and middle stretch).
QImage DrawnDirectly(const QString& path, int c, const Draw& d) {
    const QPixmap art(path);
    QImage image = Canvas();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, d.smooth);
    painter.setOpacity(d.fade / 255.0);
    if (c == 0) {
        painter.drawPixmap(d.target, art, art.rect());
        return image;
    }
    const QRect t = d.target;
    const int sx[4] = {0, c, 6 - c, 6};
    const int dx[4] = {t.left(), t.left() + c, t.right() + 1 - c, t.right() + 1};
    const int dy[4] = {t.top(), t.top() + c, t.bottom() + 1 - c, t.bottom() + 1};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            painter.drawPixmap(
                QRect(dx[col], dy[row], dx[col + 1] - dx[col], dy[row + 1] - dy[row]), art,
                QRect(sx[col], sx[row], sx[col + 1] - sx[col], sx[row + 1] - sx[row]));
        }
    }
    return image;
}

TEST(SkinImagesComposed, ScaledAndSlicedArtGivesTheDirectPixelsAtEverySize) {
    QTemporaryDir dir;
    WriteArt(dir.filePath("art.png"), 0);
    qthost::SkinImages images(dir.path());
    for (int corner : {0, 2}) {
        qthost::ImageSpec spec;
        spec.file = "art.png";
        spec.corner = QMargins(corner, corner, corner, corner);
        // The same sizes again after others: each is served its own picture.
        const Draw draws[] = {{{3, 2, 20, 14}},
                              {{1, 1, 33, 9}},
                              {{3, 2, 20, 14}},
                              {{5, 4, 20, 14}},
                              {{3, 2, 20, 14}, true},
                              {{3, 2, 31, 25}, true},
                              {{3, 2, 20, 14}, false, 100}};
        for (const Draw& d : draws) {
            const QImage drawn = DrawnBy(images, spec, d);
            const QImage direct = DrawnDirectly(dir.filePath("art.png"), corner, d);
            // With a fade Qt's scaling blend and its plain copy round the
            // opacity apart by one step in some channels; a fade left out or
            // applied twice is far larger.
            EXPECT_LE(LargestChannelDifference(drawn, direct), d.fade == 255 ? 0 : 1)
                << "corner " << corner << " size " << d.target.width() << "x" << d.target.height()
                << " smooth " << d.smooth << " fade " << d.fade;
        }
    }
}

TEST(SkinImagesComposed, EachArtAndFolderGetsItsOwnPicture) {
    QTemporaryDir first, second;
    WriteArt(first.filePath("art.png"), 0);
    WriteArt(first.filePath("other.png"), 15);
    WriteArt(second.filePath("art.png"), 30);
    qthost::SkinImages images(first.path());
    qthost::ImageSpec spec;
    spec.corner = QMargins(2, 2, 2, 2);
    const Draw d{{3, 2, 20, 14}};
    // Two pictures at one size and slicing.
    spec.file = "art.png";
    const QImage art = DrawnBy(images, spec, d);
    spec.file = "other.png";
    const QImage other = DrawnBy(images, spec, d);
    EXPECT_GT(DifferingPixels(art, other), 0);
    EXPECT_EQ(DifferingPixels(other, DrawnDirectly(first.filePath("other.png"), 2, d)), 0);

    // One name in another folder.
    images.SetFolder(second.path());
    spec.file = "art.png";
    const QImage after = DrawnBy(images, spec, d);
    EXPECT_GT(DifferingPixels(after, art), 0);
    EXPECT_EQ(DifferingPixels(after, DrawnDirectly(second.filePath("art.png"), 2, d)), 0);
}

// --- Kept labels ---------------------------------------------------------

TEST(TextCache, GivesTheDirectPixelsAndFollowsEveryChange) {
    struct Label {
        QString text;
        QColor color;
        QRect area;
        int flags;
    };
    const Label labels[] = {
        {"Key 42", QColor(250, 250, 210), {4, 6, 34, 18}, Qt::AlignCenter},
        {"Key 43", QColor(250, 250, 210), {4, 6, 34, 18}, Qt::AlignCenter},  // text
        {"Key 43", QColor(20, 230, 90), {4, 6, 34, 18}, Qt::AlignCenter},    // colour
        {"Key 43", QColor(20, 230, 90), {2, 3, 20, 24}, Qt::AlignCenter},    // area
        {"Key 43", QColor(20, 230, 90), {2, 3, 20, 24}, Qt::AlignLeft | Qt::AlignTop},
        {"Key 43", QColor(20, 230, 90), {9, 3, 20, 24}, Qt::AlignLeft | Qt::AlignTop},  // moved
        {"Key 42", QColor(250, 250, 210), {4, 6, 34, 18}, Qt::AlignCenter},  // as at first
    };
    QFont font;
    font.setPixelSize(11);
    qthost::TextCache cache;
    for (const Label& l : labels) {
        QImage kept = Canvas();
        {
            QPainter painter(&kept);
            cache.Draw(painter, l.area, l.flags, l.text, font, l.color);
        }
        QImage direct = Canvas();
        {
            QPainter painter(&direct);
            painter.setPen(l.color);
            painter.setFont(font);
            painter.drawText(l.area, l.flags, l.text);
        }
        ASSERT_GT(DifferingPixels(direct, Canvas()), 0) << "no glyphs drawn";
        EXPECT_EQ(DifferingPixels(kept, direct), 0)
            << l.text.toStdString() << " at " << l.area.x() << "," << l.area.y();
    }
}

// --- The window's repaints -----------------------------------------------

// A custom-painted control that fills itself with the colour it is told and
// remembers what it last painted.
struct Swatches {
    std::map<std::string, int> paints;
    std::map<std::string, uint32_t> painted;
    uint32_t color = 0xFF102030;

    void Hook(ui::CustomControl& c) {
        c.SetPaintHook([this](ui::Control& self, ui::Painter& painter) {
            painter.FillRect(self.GetHostRect(), ui::Color{color});
            ++paints[self.GetName()];
            painted[self.GetName()] = color;
        });
    }
};

// A row of seven swatches "c0" to "c6" (20 wide) under a 40 high strip,
// `gap` wide apart, painted once; then five of them ask for a repaint twice
// (the first request alone, then a batch of five) in a new colour.
class WindowRepaints : public QtHostTest {
  protected:
    static constexpr uint32_t kNew = 0xFFC0FFEE;
    static constexpr const char* kAsked[] = {"c0", "c2", "c3", "c5", "c6"};

    void LoadRow(int gap, int indent) {
        std::string row = "<Control width=\"" + std::to_string(indent) + "\"/>";
        for (int i = 0; i < 7; ++i) {
            row += "<Custom name=\"c" + std::to_string(i) + "\" width=\"20\"/>";
            if (i < 6 && gap > 0) {
                row += "<Control width=\"" + std::to_string(gap) + "\"/>";
            }
        }
        LoadXml("<VerticalLayout><Control height=\"40\"/><HorizontalLayout height=\"30\">" + row +
                "</HorizontalLayout></VerticalLayout>");
        for (int i = 0; i < 7; ++i) {
            swatches.Hook(*window->FindControl<ui::CustomControl>("c" + std::to_string(i)));
        }
        ViewOf(*window).update();
        EXPECT_TRUE(WaitFor([&] { return swatches.paints.size() == 7u; }, 2000));
        QTest::qWait(100);  // a frame of quiet
        before = swatches.paints;
    }
    // How long the requests took (a test skips when held up past a frame).
    QElapsedTimer AskFiveTwice() {
        swatches.color = kNew;
        QElapsedTimer clock;
        clock.start();
        for (int round = 0; round < 2; ++round) {
            for (const char* name : kAsked) {
                window->FindControl(name)->Invalidate();
            }
        }
        return clock;
    }
    void ExpectTheAskingOnesInTheNewColour() {
        for (const char* name : kAsked) {
            EXPECT_TRUE(WaitFor([&] { return swatches.painted[name] == kNew; }, 2000));
        }
    }

    Swatches swatches;
    std::map<std::string, int> before;
};

TEST_F(WindowRepaints, ManyRequestsRepaintTheRectangleAroundThemAtTheirWindowPlace) {
    LoadRow(0, 13);
    const QElapsedTimer clock = AskFiveTwice();
    SKIP_IF_STALLED(clock);
    ExpectTheAskingOnesInTheNewColour();
    // Those between the asking ones lie in the rectangle and are repainted too.
    EXPECT_TRUE(WaitFor([&] { return swatches.paints["c1"] > before.at("c1"); }, 2000));
    EXPECT_TRUE(WaitFor([&] { return swatches.paints["c4"] > before.at("c4"); }, 2000));
    const QImage shown = ViewOf(*window).grab().toImage();
    EXPECT_EQ(shown.pixel(13 + 5 * 20 + 10, 40 + 15), kNew);
}

// Lights far apart (around a mousepad's picture) are repainted each alone:
// what lies between them is left as it is.
TEST_F(WindowRepaints, ManyRequestsFarApartRepaintOnlyTheAskingOnes) {
    LoadRow(80, 0);
    const QElapsedTimer clock = AskFiveTwice();
    SKIP_IF_STALLED(clock);
    ExpectTheAskingOnesInTheNewColour();
    QTest::qWait(100);
    EXPECT_EQ(swatches.paints["c1"], before.at("c1"));
    EXPECT_EQ(swatches.paints["c4"], before.at("c4"));
}

TEST_F(WindowRepaints, AHiddenWindowPaintsNothingAndShowsTheNewLookWhenShownAgain) {
    LoadXml(
        R"(<VerticalLayout><Control height="40"/><Custom name="c" height="30"/></VerticalLayout>)");
    swatches.Hook(*window->FindControl<ui::CustomControl>("c"));
    ViewOf(*window).update();
    EXPECT_TRUE(WaitFor([&] { return swatches.paints["c"] > 0; }, 2000));

    window->Hide();
    Settle();
    ASSERT_FALSE(ViewOf(*window).isVisible());
    const int paints = swatches.paints["c"];
    swatches.color = 0xFF00FF00;
    for (int i = 0; i < 20; ++i) {
        window->FindControl("c")->Invalidate();
        QTest::qWait(5);
    }
    QTest::qWait(100);
    EXPECT_EQ(swatches.paints["c"], paints);

    window->Show();
    EXPECT_TRUE(WaitFor([&] { return swatches.painted["c"] == 0xFF00FF00u; }, 2000));
    // Requests are taken again once shown.
    QTest::qWait(100);
    swatches.color = 0xFF0000FF;
    window->FindControl("c")->Invalidate();
    EXPECT_TRUE(WaitFor([&] { return swatches.painted["c"] == 0xFF0000FFu; }, 2000));
}

using StyledBackgrounds = QtHostTest;

// Qt is asked to paint a view's style-sheet background (a painter and a rule
// lookup whenever anything inside it is repainted) only where the sheet draws
// one: the demo sheet gives lists a background, not layouts; a sheet that
// gives layouts one is followed at once, and the colour is drawn.
TEST_F(StyledBackgrounds, OnlyViewsTheStyleSheetDrawsUnderAskForOne) {
    LoadXml(R"(<VerticalLayout name="layout"><List name="list" height="60"/></VerticalLayout>)");
    Settle();
    QTest::qWait(50);
    QWidget* layout = WidgetOf("layout");
    QWidget* list = WidgetOf("list");
    ASSERT_NE(layout, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->testAttribute(Qt::WA_StyledBackground));
    EXPECT_FALSE(layout->testAttribute(Qt::WA_StyledBackground));

    const QString sheet = qApp->styleSheet();
    qApp->setStyleSheet(
        sheet + QStringLiteral("\n*[vclass=\"VerticalLayout\"] { background-color: #ff00ff; }"));
    Settle();
    QTest::qWait(50);
    EXPECT_TRUE(layout->testAttribute(Qt::WA_StyledBackground));
    const QImage shown = layout->grab().toImage();
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() - 3), QColor(255, 0, 255));

    qApp->setStyleSheet(sheet);
    Settle();
    QTest::qWait(50);
    EXPECT_FALSE(layout->testAttribute(Qt::WA_StyledBackground));
    EXPECT_TRUE(list->testAttribute(Qt::WA_StyledBackground));
}

// --- The kept look of custom-painted buttons -----------------------------

class PaintedOption : public ui::Option {
  public:
    bool IsCustomPainted() const override { return true; }
    void Paint(ui::Painter&) override { ++paints; }
    int paints = 0;
};

QString SolidArt(const QTemporaryDir& dir, const char* name, QColor color) {
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(color);
    const QString path = dir.filePath(QString::fromLatin1(name));
    image.save(path);
    return path;
}

using ScatteredRepaint = QtHostTest;

// Below lights far apart the region to paint is many rectangles, which the
// views paint one at a time: inside the region the pixels are those of one
// whole paint (art, fills, text and a translucent layer beneath), and nothing
// outside it is touched. A bare layout draws nothing, a coloured one its colour.
TEST_F(ScatteredRepaint, PaintsEachRectangleAsTheWholePaintDoesAndNothingBesides) {
    QTemporaryDir dir;
    LoadXml(
        "<VerticalLayout bkcolor=\"#80336699\"><HorizontalLayout height=\"120\">"
        "<Container name=\"art\" width=\"160\" bkimage=\"" +
        SolidArt(dir, "pad.png", QColor(200, 40, 40, 160)).toStdString() +
        "\"><Label name=\"words\" text=\"Scattered lights\" textcolor=\"#FFFFFFFF\" "
        "bkcolor=\"#4000FF00\"/></Container></HorizontalLayout><VerticalLayout "
        "name=\"bare\" height=\"60\"/></VerticalLayout>");
    Settle();
    QTest::qWait(100);
    QWidget& view = ViewOf(*window);
    const auto render = [&](const QRegion& region) {
        QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        // Rendering starts at the region's corner, so that is where it goes.
        view.render(&image, region.boundingRect().topLeft(), region);
        return image;
    };
    const QImage whole = render(QRegion(view.rect()));
    const QRegion scattered = QRegion(4, 4, 12, 20) + QRegion(40, 50, 60, 14) +
                              QRegion(120, 10, 8, 100) + QRegion(20, 100, 30, 40) +
                              QRegion(150, 125, 6, 50);
    ASSERT_GT(scattered.rectCount(), 4);
    const QImage parts = render(scattered);
    int inside = 0, outside = 0;
    for (int y = 0; y < view.height(); ++y) {
        for (int x = 0; x < view.width(); ++x) {
            if (scattered.contains(QPoint(x, y))) {
                inside += parts.pixel(x, y) != whole.pixel(x, y) ? 1 : 0;
            } else {
                outside += parts.pixel(x, y) != qRgb(0, 0, 0) ? 1 : 0;
            }
        }
    }
    EXPECT_EQ(inside, 0) << "pixels inside the region unlike the whole paint";
    EXPECT_EQ(outside, 0) << "pixels painted outside the region";
    // The text, the art and the colours are there to compare.
    const QRect words(WidgetOf("words")->mapTo(&view, QPoint(0, 0)), WidgetOf("words")->size());
    int glyphs = 0;
    for (int y = words.top(); y <= words.bottom(); ++y) {
        for (int x = words.left(); x <= words.right(); ++x) {
            const QColor c = whole.pixelColor(x, y);
            glyphs += c.red() + c.green() + c.blue() > 600 ? 1 : 0;
        }
    }
    EXPECT_GT(glyphs, 10) << "no text drawn";
    // The bluish layout shows the same below the bare one as beside the art.
    const QColor below = whole.pixelColor(10, 150);
    EXPECT_EQ(below, whole.pixelColor(170, 60));
    EXPECT_GT(below.blue(), below.red() + 20);
    EXPECT_GT(whole.pixelColor(10, 60).red(), 100);  // the art
}

using KeptButtonLook = QtHostTest;

// A custom-painted button keeps its skin look as a picture; after each change
// it must look as its plain twin, which draws directly.
TEST_F(KeptButtonLook, FollowsSelectionTextAndSizeAsThePlainButtonDoes) {
    QTemporaryDir dir;
    LoadXml(R"(<HorizontalLayout name="row" height="30"/>)");
    auto* row = window->FindControl<ui::Container>("row");
    auto make = [&](std::unique_ptr<ui::Option> option, const std::string& name) {
        option->SetName(name);
        option->SetFixedWidth(60);
        option->SetImage(ui::ImageState::Normal, SolidArt(dir, "n.png", Qt::red).toStdString());
        option->SetImage(ui::ImageState::Selected,
                         SolidArt(dir, "s.png", Qt::yellow).toStdString());
        return static_cast<ui::Option*>(row->Add(std::move(option)));
    };
    auto* painted = static_cast<PaintedOption*>(make(std::make_unique<PaintedOption>(), "p"));
    ui::Option* plain = make(std::make_unique<ui::Option>(), "q");
    Settle();

    auto expectAlike = [&](const char* step) {
        Settle();
        const QImage a = WidgetOf("p")->grab().toImage();
        const QImage b = WidgetOf("q")->grab().toImage();
        EXPECT_EQ(a.size(), b.size()) << step;
        EXPECT_EQ(DifferingPixels(a, b), 0) << step;
        return a;
    };
    const QImage normal = expectAlike("first look");
    EXPECT_EQ(normal.pixelColor(3, 3), QColor(Qt::red));
    EXPECT_GT(painted->paints, 0);

    for (ui::Option* o : {static_cast<ui::Option*>(painted), plain}) {
        o->SetSelected(true, ui::Notify::No);
    }
    const QImage selected = expectAlike("selected");
    EXPECT_EQ(selected.pixelColor(3, 3), QColor(Qt::yellow));

    for (ui::Option* o : {static_cast<ui::Option*>(painted), plain}) {
        o->SetText("Mute");
    }
    const QImage labelled = expectAlike("labelled");
    EXPECT_GT(DifferingPixels(labelled, selected), 0);
    for (ui::Option* o : {static_cast<ui::Option*>(painted), plain}) {
        o->SetText("Solo");
    }
    EXPECT_GT(DifferingPixels(expectAlike("relabelled"), labelled), 0);

    for (ui::Option* o : {static_cast<ui::Option*>(painted), plain}) {
        o->SetFixedWidth(90);
    }
    EXPECT_EQ(expectAlike("wider").width(), 90);

    for (ui::Option* o : {static_cast<ui::Option*>(painted), plain}) {
        o->SetText("");
        o->SetSelected(false, ui::Notify::No);
    }
    const QImage back = expectAlike("back to normal");
    EXPECT_EQ(back.pixelColor(45, 15), QColor(Qt::red));
}

}  // namespace
}  // namespace qthost_test
