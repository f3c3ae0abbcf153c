// The window at a device pixel ratio of 2 (run with QT_SCALE_FACTOR=2): the whole window scales,
// the preview is drawn from a 400 x 400 sampling of its view and the keyboard at twice its key
// unit, while the 200 x 200 samples that the palette and Compose read stay as they are.
#include <QtTest>

#include "WindowTestSupport.h"
#include "compose/ControlSync.h"
#include "compose/PreviewImage.h"
#include "fractal/PreviewGrid.h"
#include "ui/QtColour.h"

using namespace halcyone;
using halcyone::testing::WindowUnderTest;

class HighDensityTest : public QObject {
    Q_OBJECT
private slots:
    void previewAndKeyboardAreDrawnAtTheScreensResolution();
};

void HighDensityTest::previewAndKeyboardAreDrawnAtTheScreensResolution() {
    WindowUnderTest w;
    MainWindow* window = w.startShown();
    QVERIFY(window);
    if (window->devicePixelRatioF() != 2.0) QSKIP("needs QT_SCALE_FACTOR=2");
    QCOMPARE(window->client().size(), QSize(599, 405));  // the layout itself does not change
    Channel& c = appState.channels[0];
    c.keys[60] = 1;
    showChannel();
    appState.sharedView = ViewRect{-0.8, -0.6, 0.0, 0.2};
    renderPreview();

    const QImage preview = window->client().preview();
    QCOMPARE(preview.size(), QSize(400, 400));
    QCOMPARE(preview.devicePixelRatio(), 2.0);
    const std::vector<Colour> fine = previewColoursAtScale(appState.sharedView, appState.startColour, 2);
    QImage shot = window->client().grab().toImage().convertToFormat(QImage::Format_RGB32);
    shot.setDevicePixelRatio(1);  // compared pixel for pixel
    QCOMPARE(shot.size(), QSize(1198, 810));
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x) {
            const QRgb expected = qRgbOf(fine[static_cast<std::size_t>(y) * 400 + x]);
            QCOMPARE(shot.pixel(700 + x, 20 + y), expected);
            // Every other sample each way is the 200 x 200 preview's.
            if (x % 2 == 0 && y % 2 == 0)
                QCOMPARE(fine[static_cast<std::size_t>(y) * 400 + x],
                         appState.previewBitmap[static_cast<std::size_t>(y / 2) * previewSize + x / 2]);
        }
    // The palette is the 200 x 200 grid's.
    refreshPalette();
    PreviewCounts counts;
    samplePreview(appState.sharedView, counts);
    QCOMPARE(appState.palette, paletteFromHistogram(countHistogram(counts), appState.startColour));

    // The keyboard at key unit 6: twice as large, the key of note 60 selected and sharp.
    KeyboardWidget sharp;
    sharp.create(nullptr, keyboardOctaves, 2 * keyboardKeyUnit);
    sharp.setFirstNote(keyboardFirstNote);
    sharp.setKeySelected(60, true);
    sharp.draw();
    QCOMPARE(sharp.image().size(), QSize(1078, 96));
    QCOMPARE(shot.copy(40, 620, 1078, 96), sharp.image().convertToFormat(QImage::Format_RGB32));
}

QTEST_MAIN(HighDensityTest)
#include "HighDensityTest.moc"
