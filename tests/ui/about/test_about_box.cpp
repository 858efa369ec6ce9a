#include "ui/about/about_box.h"
#include "ui/about/about_picture.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

using namespace quorvane;

namespace {

int px(int twips)
{
    return (twips + 7) / 15;
}

QPoint twipsPoint(int x, int y)
{
    return QPoint(px(x), px(y));
}

// The named control under a point of the client area: childAt gives the
// innermost widget (a text box's viewport), the control is its ancestor
// directly inside the window.
QWidget* controlAt(QWidget* window, const QPoint& point)
{
    QWidget* widget = window->childAt(point);
    while (widget && widget->parentWidget() != window)
        widget = widget->parentWidget();
    return widget;
}

// The Part's regions, in twips, with the feature each one lies over.
struct Region {
    const char* name;
    QRect twips;
    AboutFeature feature;
};
const Region regions[] = {
    {"HotSpot1", QRect(2730, 3060, 1515, 405), AboutFeature::GeneralMidi},
    {"HotSpot2", QRect(2505, 1380, 1320, 810), AboutFeature::Mixmaster},
    {"HotSpot3", QRect(525, 1785, 285, 345), AboutFeature::MidiThru},
    {"HotSpot4", QRect(1305, 1695, 330, 420), AboutFeature::Wondrousness},
};

QPoint centreOf(const QRect& twipsRect)
{
    return twipsPoint(twipsRect.left() + twipsRect.width() / 2, twipsRect.top() + twipsRect.height() / 2);
}

} // namespace

class AboutBoxTest : public QObject {
    Q_OBJECT

    AboutBox* box = nullptr;

    QPlainTextEdit* description() const { return box->findChild<QPlainTextEdit*>(QStringLiteral("Text3")); }
    QString descriptionText() const { return description()->toPlainText(); }
    QWidget* control(const char* name) const { return box->findChild<QWidget*>(QString::fromUtf8(name)); }

    // What the window system sends when the pointer moves to a point of the
    // client area: enter and leave events, then the move to the control in
    // front.
    void pointerTo(const QPoint& point) { QTest::mouseMove(box->windowHandle(), point); }

    void openBox()
    {
        showAboutBox(nullptr);
        box = loadedAboutBox();
        QVERIFY(box);
        QVERIFY(QTest::qWaitForWindowExposed(box));
    }

private slots:
    void cleanup()
    {
        delete loadedAboutBox();
        box = nullptr;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void windowDesign()
    {
        AboutBox about;
        QCOMPARE(about.objectName(), QStringLiteral("quorvane_about"));
        QCOMPARE(about.windowTitle(), QStringLiteral("About Quorvane..."));
        QCOMPARE(about.size(), QSize(536, 239));
        QCOMPARE(about.pos(), QPoint(86, 178));
        QCOMPARE(about.font().pointSizeF(), 8.25);
        QVERIFY(about.isWindow());
        QCOMPARE(about.windowModality(), Qt::NonModal);
    }

    void controlsAtTheirPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("Text3") << "Text3" << QRect(4425, 60, 1920, 960);
        QTest::newRow("Command1") << "Command1" << QRect(6915, 3240, 1065, 315);
        QTest::newRow("Text2") << "Text2" << QRect(4500, 75, 3435, 2595);
        QTest::newRow("Text1") << "Text1" << QRect(4350, 2685, 1185, 825);
        for (const Region& r : regions)
            QTest::newRow(r.name) << r.name << r.twips;
        QTest::newRow("Label1") << "Label1" << QRect(5655, 3300, 1050, 210);
        QTest::newRow("Image1") << "Image1" << QRect(15, 60, 4290, 3495);
    }

    void controlsAtTheirPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        AboutBox about;
        auto* widget = about.findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget(), &about);
        QCOMPARE(widget->geometry(), QRect(px(twips.left()), px(twips.top()), px(twips.width()), px(twips.height())));
        QCOMPARE(widget->font().pointSizeF(), 8.25);
    }

    void textsAndColours()
    {
        AboutBox about;
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("quorvane v0.1"));
        QCOMPARE(about.findChild<QPushButton*>(QStringLiteral("Command1"))->text(), QStringLiteral("quorvanise!"));

        auto* text3 = about.findChild<QPlainTextEdit*>(QStringLiteral("Text3"));
        auto* text2 = about.findChild<QPlainTextEdit*>(QStringLiteral("Text2"));
        auto* text1 = about.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
        QVERIFY(text3 && text2 && text1);
        QCOMPARE(text3->toPlainText(), QString());
        QCOMPARE(text1->toPlainText(), QString());
        QCOMPARE(text2->toPlainText(), AboutBox::verse().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        QCOMPARE(text2->document()->blockCount(), 13);

        const QColor grey(192, 192, 192);
        QCOMPARE(text3->palette().color(QPalette::Base), grey);
        QCOMPARE(text3->palette().color(QPalette::Text), QColor(224, 224, 224));
        QCOMPARE(text2->palette().color(QPalette::Base), grey);
        QCOMPARE(text1->palette().color(QPalette::Base), grey);
        QCOMPARE(text1->palette().color(QPalette::Text), QColor(128, 128, 128));
        // The viewport is what paints the background.
        QCOMPARE(text3->viewport()->palette().color(QPalette::Base), grey);
    }

    void verseHasTheDesignedShape()
    {
        const QString verse = AboutBox::verse();
        QVERIFY(verse.startsWith(QStringLiteral("Surge, aquilo,\r\n")));
        const QStringList lines = verse.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 13);
        QCOMPARE(lines[4], QStringLiteral(" "));
        for (const QString& line : lines) {
            QVERIFY(!line.isEmpty());
            QVERIFY(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')));
        }
        QVERIFY2(verse.size() > 300 && verse.size() < 400, qPrintable(QString::number(verse.size())));
    }

    // All 13 lines show whole: none wraps, and the first ones, beside the
    // description box, start to the right of it rather than under it.
    void verseIsWhollyVisible()
    {
        openBox();
        auto* verse = box->findChild<QPlainTextEdit*>(QStringLiteral("Text2"));
        QWidget* cover = control("Text3");
        int shownLines = 0;
        for (QTextBlock block = verse->document()->begin(); block.isValid(); block = block.next()) {
            QTextCursor cursor(block);
            const QRect start = verse->cursorRect(cursor);
            const QPoint topLeft = verse->viewport()->mapTo(box, start.topLeft());
            QVERIFY2(topLeft.y() + start.height() <=
                         verse->viewport()->mapTo(box, QPoint(0, verse->viewport()->height())).y(),
                     qPrintable(block.text()));
            if (topLeft.y() < cover->geometry().bottom() && !block.text().trimmed().isEmpty())
                QVERIFY2(topLeft.x() > cover->geometry().right(), qPrintable(block.text()));
            shownLines += block.layout()->lineCount();
        }
        QCOMPARE(shownLines, 13);

        for (const char* name : {"Label1", "Command1"}) {
            QWidget* widget = control(name);
            const QString caption = widget->property("text").toString();
            QVERIFY2(widget->fontMetrics().horizontalAdvance(caption) <= widget->width(), name);
        }
    }

    void regionDescriptionsAreShortAndDistinct()
    {
        QSet<QString> seen;
        for (const Region& r : regions) {
            const QString text = aboutFeatureDescription(r.feature);
            QVERIFY(!text.isEmpty());
            QVERIFY2(text.size() <= 70, qPrintable(text));
            seen.insert(text);
        }
        QCOMPARE(seen.size(), 4);
        QVERIFY(!seen.contains(AboutBox::verseSource()));
    }

    void stackingOrderIsFrontFirst()
    {
        AboutBox about;
        // Sibling order runs from back to front.
        QStringList backToFront;
        for (QObject* child : about.children())
            if (child->isWidgetType() && !child->objectName().isEmpty())
                backToFront.prepend(child->objectName());
        QCOMPARE(backToFront, QStringList({"Text3", "Command1", "Text2", "Text1", "HotSpot1", "Label1", "HotSpot2",
                                           "HotSpot3", "HotSpot4", "Image1"}));
    }

    void controlInFrontCatchesThePointer_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QString>("expected");
        // The description box over the verse box's upper-left corner.
        QTest::newRow("overlap of Text3 and Text2") << twipsPoint(5000, 500) << "Text3";
        QTest::newRow("overlap corner") << twipsPoint(4520, 100) << "Text3";
        QTest::newRow("verse box beside the description box") << twipsPoint(7000, 500) << "Text2";
        QTest::newRow("verse box below the description box") << twipsPoint(5000, 1500) << "Text2";
        QTest::newRow("Text1 below the verse box") << twipsPoint(4800, 3000) << "Text1";
        for (const Region& r : regions)
            QTest::newRow(r.name) << centreOf(r.twips) << r.name;
        QTest::newRow("bare picture") << twipsPoint(2000, 600) << "Image1";
        QTest::newRow("bare picture between regions") << twipsPoint(1000, 1900) << "Image1";
        QTest::newRow("label") << twipsPoint(6000, 3400) << "Label1";
        QTest::newRow("button") << twipsPoint(7400, 3400) << "Command1";
    }

    void controlInFrontCatchesThePointer()
    {
        QFETCH(QPoint, point);
        QFETCH(QString, expected);
        AboutBox about;
        QWidget* widget = controlAt(&about, point);
        QVERIFY(widget);
        QCOMPARE(widget->objectName(), expected);
    }

    // The pointer moved as the window system moves it, through the window.
    void pointerOverControls()
    {
        openBox();
        QCOMPARE(descriptionText(), QString());

        for (const Region& r : regions) {
            pointerTo(twipsPoint(2000, 600)); // bare picture
            QCOMPARE(descriptionText(), QString());
            pointerTo(centreOf(r.twips));
            QCOMPARE(descriptionText(), aboutFeatureDescription(r.feature));
            // Moving within the region shows the same text.
            pointerTo(centreOf(r.twips) + QPoint(1, 1));
            QCOMPARE(descriptionText(), aboutFeatureDescription(r.feature));
        }

        // Straight from one region to the bare picture and on to the verse.
        pointerTo(twipsPoint(1000, 1900));
        QCOMPARE(descriptionText(), QString());
        pointerTo(twipsPoint(7000, 500));
        QCOMPARE(descriptionText(), AboutBox::verseSource());

        // Leaving the verse box for anything else keeps its text.
        const QPoint elsewhere[] = {
            twipsPoint(7400, 3400), // Command1
            twipsPoint(6000, 3400), // Label1
            twipsPoint(4800, 3000), // Text1
            twipsPoint(5000, 500),  // Text3, over the verse box
            twipsPoint(4330, 1500), // the window's background between picture and text boxes
            twipsPoint(7990, 3000), // background at the right edge
        };
        for (const QPoint& point : elsewhere) {
            pointerTo(twipsPoint(7000, 500));
            pointerTo(point);
            QCOMPARE(descriptionText(), AboutBox::verseSource());
        }
        QCOMPARE(controlAt(box, twipsPoint(4330, 1500)), nullptr);

        // From a region, the same controls leave the region's text.
        const QString gm = aboutFeatureDescription(AboutFeature::GeneralMidi);
        for (const QPoint& point : elsewhere) {
            pointerTo(centreOf(regions[0].twips));
            pointerTo(point);
            QCOMPARE(descriptionText(), gm);
        }

        // The part of the verse box that the description box covers belongs
        // to the description box; the rest of the verse box shows the source.
        pointerTo(twipsPoint(2000, 600));
        pointerTo(twipsPoint(5000, 500));
        QCOMPARE(descriptionText(), QString());
        pointerTo(twipsPoint(5000, 1100));
        QCOMPARE(descriptionText(), AboutBox::verseSource());
    }

    // The same rules with the events delivered straight to each control.
    void enterAndMoveEvents_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("viewport");
        QTest::addColumn<int>("eventType");
        QTest::addColumn<bool>("changes");
        QTest::addColumn<QString>("expected");
        for (int type : {int(QEvent::Enter), int(QEvent::MouseMove)}) {
            const QString kind = type == QEvent::Enter ? QStringLiteral("enter ") : QStringLiteral("move ");
            for (const Region& r : regions)
                QTest::newRow(qPrintable(kind + r.name))
                    << r.name << false << type << true << aboutFeatureDescription(r.feature);
            QTest::newRow(qPrintable(kind + "Image1")) << "Image1" << false << type << true << QString();
            QTest::newRow(qPrintable(kind + "Text2")) << "Text2" << false << type << true << AboutBox::verseSource();
            QTest::newRow(qPrintable(kind + "Text2 viewport"))
                << "Text2" << true << type << true << AboutBox::verseSource();
            for (const char* other : {"Text3", "Text1"}) {
                QTest::newRow(qPrintable(kind + other)) << other << false << type << false << QString();
                QTest::newRow(qPrintable(kind + other + " viewport")) << other << true << type << false << QString();
            }
            for (const char* other : {"Command1", "Label1", "quorvane_about"})
                QTest::newRow(qPrintable(kind + other)) << other << false << type << false << QString();
        }
    }

    void enterAndMoveEvents()
    {
        QFETCH(QString, name);
        QFETCH(bool, viewport);
        QFETCH(int, eventType);
        QFETCH(bool, changes);
        QFETCH(QString, expected);
        openBox();
        QWidget* target = name == box->objectName() ? box : box->findChild<QWidget*>(name);
        QVERIFY(target);
        if (viewport)
            target = static_cast<QPlainTextEdit*>(target)->viewport();

        const QString before = QStringLiteral("left as it was");
        description()->setPlainText(before);
        const QPointF local(2, 2);
        if (eventType == QEvent::Enter) {
            QEnterEvent enter(local, target->mapTo(box, local), target->mapToGlobal(local));
            QApplication::sendEvent(target, &enter);
        } else {
            // Buttons held and modifier keys make no difference.
            QMouseEvent move(QEvent::MouseMove, local, target->mapToGlobal(local), Qt::NoButton, Qt::LeftButton,
                             Qt::ShiftModifier);
            QApplication::sendEvent(target, &move);
        }
        QCOMPARE(descriptionText(), changes ? expected : before);
    }

    void buttonHidesAndKeepsTexts()
    {
        openBox();
        QPointer<AboutBox> first = box;
        pointerTo(centreOf(regions[1].twips));
        const QString shown = descriptionText();
        QCOMPARE(shown, aboutFeatureDescription(AboutFeature::Mixmaster));

        QTest::mouseClick(box->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QVERIFY(first);
        QVERIFY(!first->isVisible());
        QCOMPARE(loadedAboutBox(), first.data());

        showAboutBox(nullptr);
        QCOMPARE(loadedAboutBox(), first.data());
        QVERIFY(first->isVisible());
        QCOMPARE(descriptionText(), shown);
        QCOMPARE(control("Text2")->property("plainText").toString(),
                 AboutBox::verse().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }

    void closeBoxDestroysAndNextShowStartsAfresh()
    {
        openBox();
        QPointer<AboutBox> first = box;
        pointerTo(twipsPoint(7000, 500));
        QCOMPARE(descriptionText(), AboutBox::verseSource());

        // The window system's close box.
        box->windowHandle()->close();
        QCOMPARE(loadedAboutBox(), nullptr);
        QTRY_VERIFY(first.isNull());

        openBox();
        QVERIFY(box != nullptr);
        QCOMPARE(descriptionText(), QString());
        QVERIFY(box->isVisible());
    }

    void showingAgainBeforeTheClosedOneIsDeletedBuildsANewOne()
    {
        openBox();
        QPointer<AboutBox> first = box;
        pointerTo(twipsPoint(7000, 500));
        QVERIFY(first->close());
        showAboutBox(nullptr);
        QVERIFY(loadedAboutBox() != nullptr);
        QVERIFY(loadedAboutBox() != first.data() || first.isNull());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QVERIFY(loadedAboutBox());
        QVERIFY(loadedAboutBox()->isVisible());
        QCOMPARE(loadedAboutBox()->findChild<QPlainTextEdit*>(QStringLiteral("Text3"))->toPlainText(), QString());
    }

    void singleInstance()
    {
        openBox();
        showAboutBox(nullptr);
        showAboutBox(nullptr);
        QCOMPARE(loadedAboutBox(), box);
        int windows = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            windows += widget->objectName() == QStringLiteral("quorvane_about");
        QCOMPARE(windows, 1);
        QVERIFY(box->isVisible());
    }

    void showIsModelessAndBelongsToItsOwner()
    {
        QPointer<AboutBox> about;
        {
            QWidget owner;
            owner.show();
            showAboutBox(&owner);
            about = loadedAboutBox();
            QVERIFY(about);
            QCOMPARE(about->parentWidget(), &owner);
            QVERIFY(about->isWindow());
            QVERIFY(about->isVisible());
            QCOMPARE(about->windowModality(), Qt::NonModal);
            QCOMPARE(QApplication::activeModalWidget(), nullptr);
        }
        // It goes with its owner.
        QVERIFY(about.isNull());
        QCOMPARE(loadedAboutBox(), nullptr);
    }

    void pictureIsOurOwnAndFillsTheControl()
    {
        AboutBox about;
        auto* image = about.findChild<QLabel*>(QStringLiteral("Image1"));
        QVERIFY(image);
        QVERIFY(image->hasScaledContents());
        const QImage picture = image->pixmap().toImage();
        QCOMPARE(picture.size(), QSize(aboutPictureWidth, aboutPictureHeight));
        QCOMPARE(picture.size(), QSize(510, 408));

        // Each region lies over a panel of its own: inside, the panel's
        // colour; just outside, the night sky around it.
        const QRect pictureTwips(15, 60, 4290, 3495);
        for (const Region& r : regions) {
            const qreal sx = 510.0 / pictureTwips.width(), sy = 408.0 / pictureTwips.height();
            const QRectF area((r.twips.left() - pictureTwips.left()) * sx, (r.twips.top() - pictureTwips.top()) * sy,
                              r.twips.width() * sx, r.twips.height() * sy);
            const QPoint inside(qRound(area.left() + 3), qRound(area.center().y()));
            const QPoint outside(qRound(area.left() - 6), qRound(area.center().y()));
            QVERIFY2(picture.pixel(inside) != picture.pixel(outside), r.name);
        }
    }
};

QTEST_MAIN(AboutBoxTest)
#include "test_about_box.moc"
