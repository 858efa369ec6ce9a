#include "app/program.h"
#include "memory_backend.h"
#include "ui/about/about_box.h"
#include "ui/common/caption_fit.h"
#include "ui/common/classic_look.h"
#include "ui/main/frm_main.h"
#include "ui/main/window_names.h"
#include "ui/setup/midi_setup_form.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextBlock>
#include <QtTest>

using namespace quorvane;

namespace {

// The three windows, built as the program builds them, over in-memory devices.
struct Windows {
    Program program{std::make_unique<MemoryOutputBackend>(), std::make_unique<MemoryInputBackend>()};
    FrmMain& main = program.window();
    MIDISetupForm setup{main.MIDIOutput1(), main.MIDIInput1()};
    AboutBox about;

    QList<QWidget*> all() { return {main.centralWidget(), &setup, &about}; } // the menus hold no controls
};

// Where a control's caption can show: its own width, up to the first
// neighbour stacked over its right end.
int visibleWidth(const QWidget* control)
{
    int end = control->geometry().right() + 1;
    const QObjectList siblings = control->parent()->children();
    for (qsizetype i = siblings.indexOf(const_cast<QWidget*>(control)) + 1; i < siblings.size(); ++i)
        if (auto* other = qobject_cast<QWidget*>(siblings[i]))
            if (other->geometry().intersects(control->geometry()) && other->x() > control->x())
                end = std::min(end, other->x());
    return end - control->x();
}

QString describe(const QWidget* w)
{
    return w->window()->objectName() + QLatin1Char('/') + w->objectName();
}

} // namespace

class CaptionsAndNamesTest : public QObject {
    Q_OBJECT

private slots:
    void everyCaptionShowsWhole()
    {
        Windows windows;
        int checked = 0;
        for (QWidget* window : windows.all()) {
            for (QWidget* w : window->findChildren<QWidget*>()) {
                // A label needs what Qt's own hint says; a check box its box,
                // the gap and the text; a push button its text inside the
                // bevel (its hint has a minimum width of its own).
                const QStyle* style = w->style();
                const QFontMetrics metrics(w->font());
                int needed = 0;
                if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty())
                    needed = w->sizeHint().width();
                else if (auto* check = qobject_cast<QCheckBox*>(w))
                    needed = style->pixelMetric(QStyle::PM_IndicatorWidth) +
                             style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing) +
                             metrics.horizontalAdvance(check->text());
                else if (auto* button = qobject_cast<QPushButton*>(w))
                    needed = metrics.horizontalAdvance(button->text()) +
                             2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth);
                else
                    continue;
                QVERIFY2(needed <= visibleWidth(w), qPrintable(describe(w)));
                ++checked;
            }
        }
        QVERIFY(checked > 25);
    }

    // A caption too wide for its room keeps the widest stretch that fits:
    // any narrower squeezes its letters for nothing.
    void aCaptionKeepsTheWidestStretchThatFits()
    {
        const QFont base = classicFont();
        const QString caption = QStringLiteral("Programme Change");
        const qreal normal = QFontMetricsF(base).horizontalAdvance(caption);
        auto fits = [&](const QFont& font, int room) { return QFontMetricsF(font).horizontalAdvance(caption) <= room; };
        int tried = 0;
        for (int room = int(normal * 0.75); room < int(normal); room += 2) {
            const QFont fitted = fittedFont(base, caption, room);
            const int stretch = fitted.stretch();
            if (stretch <= 70)
                continue; // the narrowest there is, whether it fits or not
            QVERIFY2(fits(fitted, room), qPrintable(QStringLiteral("%1 at %2").arg(stretch).arg(room)));
            QFont wider = base;
            wider.setStretch(stretch + 1);
            QVERIFY2(stretch == 99 || !fits(wider, room), qPrintable(QStringLiteral("%1 at %2").arg(stretch).arg(room)));
            ++tried;
        }
        QVERIFY(tried > 5);
    }

    void formulaLinesShowWhole()
    {
        Windows windows;
        windows.main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&windows.main));
        for (const char* name : {controls::WondrousnessFormula, controls::MixmasterFormula}) {
            auto* box = windows.main.findChild<QPlainTextEdit*>(QString::fromLatin1(name));
            const QRect room = box->viewport()->rect();
            qreal bottom = box->document()->documentMargin();
            for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
                bottom += box->document()->documentLayout()->blockBoundingRect(block).height();
                QVERIFY2(block.text().isEmpty() || bottom <= room.height(), qPrintable(block.text()));
                for (int i = 0; i < block.layout()->lineCount(); ++i)
                    QVERIFY2(block.layout()->lineAt(i).naturalTextWidth() <= room.width(), qPrintable(block.text()));
            }
        }
    }

    // Qt names a control without a name of its own after the frame it sits
    // in, a frame inside a frame included; every control needs its own.
    void everyControlHasItsOwnAccessibleName()
    {
        Windows windows;
        int checked = 0;
        for (QWidget* window : windows.all()) {
            for (QWidget* w : window->findChildren<QWidget*>()) {
                if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLineEdit*>(w) &&
                    !qobject_cast<QPlainTextEdit*>(w) && !qobject_cast<QComboBox*>(w) && !qobject_cast<QGroupBox*>(w))
                    continue; // labels, pictures and regions are not controls
                const QString name = QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
                QVERIFY2(!name.isEmpty(), qPrintable(describe(w)));
                if (auto* frame = qobject_cast<QGroupBox*>(w))
                    QCOMPARE(name, frame->title());
                else if (auto* outer = qobject_cast<QGroupBox*>(w->parentWidget()))
                    QVERIFY2(name != outer->title(), qPrintable(describe(w) + QStringLiteral(": ") + name));
                ++checked;
            }
        }
        QVERIFY(checked > 40);
    }
};

QTEST_MAIN(CaptionsAndNamesTest)
#include "test_captions_and_names.moc"
