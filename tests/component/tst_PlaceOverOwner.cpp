// The placement arithmetic against a fake owner, screen and dialog. The real dialog on a real
// screen is placed in tst_clsZarnetCalc.
#include <QObject>
#include <QTest>

#include "component/PlaceOverOwner.h"

using zarnetcalc::component::PlaceOverOwner;

namespace {

using Rect = zarnetcalc::component::TwipsRect;

class FakeDialog final : public zarnetcalc::component::DialogGeometry {
  public:
    FakeDialog(float width, float height) : rect_{7.0F, 9.0F, width, height} {}
    Rect Outer() const override { return rect_; }
    void MoveTo(float left, float top) override {
        rect_.left = left;
        rect_.top = top;
    }

  private:
    Rect rect_;
};

}  // namespace

Q_DECLARE_METATYPE(Rect)

class tst_PlaceOverOwner : public QObject {
    Q_OBJECT

  private slots:
    void placement_data() {
        QTest::addColumn<Rect>("owner");
        QTest::addColumn<float>("dialogWidth");
        QTest::addColumn<float>("dialogHeight");
        QTest::addColumn<Rect>("screen");
        QTest::addColumn<float>("left");
        QTest::addColumn<float>("top");

        const Rect screen{0, 0, 12000, 9000};
        QTest::newRow("centred over a larger owner")
            << Rect{100, 100, 600, 400} << 200.0F << 300.0F << screen << 300.0F << 150.0F;
        QTest::newRow("half twips are kept")
            << Rect{1000, 1000, 601, 401} << 200.0F << 300.0F << screen << 1200.5F << 1050.5F;
        QTest::newRow("owner smaller than the dialog, centred")
            << Rect{3000, 3000, 1000, 1000} << 2600.0F << 3700.0F << screen << 2200.0F << 1650.0F;
        QTest::newRow("owner in the top-left corner: clamped to 0")
            << Rect{0, 0, 1000, 1000} << 2600.0F << 3700.0F << screen << 0.0F << 0.0F;
        QTest::newRow("owner near the bottom-right corner: on the edges")
            << Rect{11000, 8500, 2000, 1000} << 2600.0F << 3700.0F << screen << 9400.0F << 5300.0F;
        QTest::newRow("dialog larger than the screen: negative top and left")
            << Rect{0, 0, 2000, 3000} << 2600.0F << 3700.0F << Rect{0, 0, 2000, 3000} << -600.0F
            << -700.0F;
        QTest::newRow("only wider than the screen") << Rect{0, 0, 2000, 9000} << 2600.0F << 3700.0F
                                                    << Rect{0, 0, 2000, 9000} << -600.0F << 2650.0F;

        // A second monitor to the right of a 1920 by 1080 primary one.
        const Rect second{28800, 0, 19200, 10800};
        QTest::newRow("second screen: centred inside it")
            << Rect{36000, 3000, 4000, 4000} << 2600.0F << 3700.0F << second << 36700.0F << 3150.0F;
        QTest::newRow("second screen: its own bottom-right edges")
            << Rect{46000, 9000, 3000, 3000} << 2600.0F << 3700.0F << second << 45400.0F << 7100.0F;
        QTest::newRow("second screen: its own left edge, not 0")
            << Rect{27800, 1000, 2000, 2000} << 2600.0F << 3700.0F << second << 28800.0F << 150.0F;
        QTest::newRow("second screen lower than the primary: its own top edge")
            << Rect{30000, 4000, 2000, 2000} << 2600.0F << 3700.0F
            << Rect{28800, 5000, 19200, 10800} << 29700.0F << 5000.0F;

        // A monitor left of and above the primary one, at negative coordinates.
        const Rect negative{-19200, -10800, 19200, 10800};
        QTest::newRow("screen at negative coordinates: its right and bottom edges at 0")
            << Rect{-1000, -1000, 3000, 3000} << 2600.0F << 3700.0F << negative << -2600.0F
            << -3700.0F;
        QTest::newRow("screen at negative coordinates: its top-left corner")
            << Rect{-19500, -11000, 1000, 1000} << 2600.0F << 3700.0F << negative << -19200.0F
            << -10800.0F;
    }

    void placement() {
        QFETCH(Rect, owner);
        QFETCH(float, dialogWidth);
        QFETCH(float, dialogHeight);
        QFETCH(Rect, screen);
        QFETCH(float, left);
        QFETCH(float, top);

        FakeDialog dialog(dialogWidth, dialogHeight);
        PlaceOverOwner(dialog, owner, screen);
        QCOMPARE(dialog.Outer().left, left);
        QCOMPARE(dialog.Outer().top, top);
        QCOMPARE(dialog.Outer().width, dialogWidth);
        QCOMPARE(dialog.Outer().height, dialogHeight);
    }

    void withoutScreenOnlyCentres() {
        FakeDialog dialog(2600, 3700);
        PlaceOverOwner(dialog, {-500, -500, 1000, 1000}, std::nullopt);
        QCOMPARE(dialog.Outer().left, -1300.0F);
        QCOMPARE(dialog.Outer().top, -1850.0F);
    }
};

QTEST_APPLESS_MAIN(tst_PlaceOverOwner)
#include "tst_PlaceOverOwner.moc"
