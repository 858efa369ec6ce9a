#include "engine/control_names.h"
#include "ui/main/explanations.h"
#include "main_window_fixture.h"

#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QtTest>

using namespace quorvane;

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void freshStartShowsTheDesignDefaults()
    {
        MainWindowFixture f(false);
        // The names the engine reads by are the window's own: each finds its
        // control, which starts as the design has it.
        const QList<QPair<QString, bool>> checks = {{controls::doMode(Mode::Pitch), true},
                                                    {controls::doMode(Mode::Velocity), false},
                                                    {controls::doMode(Mode::ProgrammeChange), false},
                                                    {controls::doMode(Mode::Pan), false},
                                                    {controls::UseNoteOff, true},
                                                    {controls::UseModulo, true},
                                                    {controls::RandomDelay, true},
                                                    {controls::DisplayResults, true},
                                                    {controls::UseMinMax, false}};
        for (const auto& [name, isChecked] : checks) {
            QVERIFY2(f.check(name), qPrintable(name));
            QCOMPARE(f.check(name)->isChecked(), isChecked);
        }
        const QList<QPair<QString, QString>> texts = {{controls::StartNote, "60"},
                                                      {controls::Delay, "60"},
                                                      {controls::Modulo, "127"},
                                                      {controls::PitchMin, "0"},
                                                      {controls::PitchMax, "0"},
                                                      {controls::result(Mode::Pitch), "0"},
                                                      {controls::result(Mode::Velocity), "60"},
                                                      {controls::result(Mode::ProgrammeChange), "0"},
                                                      {controls::result(Mode::Pan), "0"},
                                                      {controls::transposition(Mode::Pitch), "0"},
                                                      {controls::transposition(Mode::Velocity), "0"},
                                                      {controls::transposition(Mode::ProgrammeChange), "0"},
                                                      {controls::transposition(Mode::Pan), "0"},
                                                      {controls::ModeFlags, "0"},
                                                      {controls::velocity(), "60"},
                                                      {controls::velocityModeNote(), "0"}};
        for (const auto& [name, text] : texts) {
            QVERIFY2(f.box(name), qPrintable(name));
            QCOMPARE(f.box(name)->text(), text);
        }

        // Start-up: placed at 1200 twips, programme 0 sent once, pointer back,
        // pitch mode on, channel 1.
        QCOMPARE(f.window->pos(), QPoint(80, 80));
        QCOMPARE(f.patches()->count(), 128);
        QCOMPARE(f.patches()->currentText(), QStringLiteral("Acoustic Grand Piano"));
        QCOMPARE(f.patches()->itemText(127), QStringLiteral("Gunshot"));
        QCOMPARE(f.out->wireLog(), QStringList({"c0 00"}));
        QCOMPARE(f.out->writeLog().mid(2),
                 QStringList({"Status=192", "Data1=0", "Data2=0", "Auxiliary=0", "Action=7"}));
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
        for (Mode mode : allModes)
            QCOMPARE(f.composer().modeOn(mode), mode == Mode::Pitch);
        QCOMPARE(f.composer().midiChannel(), 0);
        QCOMPARE(f.composer().channelPatch(0), 0);
    }

    // The hourglass is up while the device dialog waits for the musician,
    // and gone once the window is loaded.
    void hourglassWhileTheDeviceDialogIsOpen()
    {
        Program program(std::make_unique<MemoryOutputBackend>(), std::make_unique<MemoryInputBackend>());
        FrmMain& window = program.window();
        Qt::CursorShape during = Qt::ArrowCursor;
        window.showSetupDialog = [&] {
            QDialog dialog(&window);
            QTimer::singleShot(50, &dialog, [&] {
                if (const QCursor* pointer = QGuiApplication::overrideCursor())
                    during = pointer->shape();
                dialog.accept();
            });
            dialog.exec();
        };
        window.load();
        QCOMPARE(during, Qt::WaitCursor);
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }

    void layoutFollowsTheDesign()
    {
        MainWindowFixture f;
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Quorvane"));
        QCOMPARE(f.window->centralWidget()->size(), QSize(419, 324));
        QCOMPARE(f.window->minimumSize(), f.window->maximumSize()); // not resizable
        QCOMPARE(f.find(controls::ModesFrame)->parentWidget()->objectName(), QString(controls::GeneralFrame));
        QCOMPARE(f.find(controls::Delay)->parentWidget()->objectName(), QString(controls::DelayFrame));
        QCOMPARE(f.find(controls::result(Mode::ProgrammeChange))->geometry(), QRect(117, 78, 32, 20));
        QCOMPARE(f.find(controls::MixmasterDocument)->geometry(), QRect(117, 54, 14, 17));
        QCOMPARE(f.find<QGroupBox>(controls::formulaFrame(Formula::Mixmaster))->title(), QStringLiteral("Mixmaster"));
        auto* formula = f.find<QPlainTextEdit>(controls::WondrousnessFormula);
        QVERIFY(formula->isReadOnly());
        QVERIFY(f.find<QPlainTextEdit>(controls::MixmasterFormula)->isReadOnly());
        QVERIFY(formula->font().pointSizeF() < f.box(controls::StartNote)->font().pointSizeF());
        QCOMPARE(formula->toPlainText(), QStringLiteral("if x is odd, then x = 3x + 1\nelse\nx = x/2\n"));
        QCOMPARE(f.window->palette().color(QPalette::Window), QColor(192, 192, 192));
    }

    void menusCarryTheirCaptionsAndShortcut()
    {
        MainWindowFixture f;
        QStringList captions;
        QStringList names;
        for (QAction* menu : f.window->menuBar()->actions()) {
            QStringList items;
            QStringList itemNames;
            for (QAction* item : menu->menu()->actions()) {
                items << item->text();
                itemNames << (item->menu() ? item->menu()->objectName() : item->objectName());
            }
            captions << menu->text() + QLatin1Char(':') + items.join(QLatin1Char('|'));
            names << menu->menu()->objectName() + QLatin1Char(':') + itemNames.join(QLatin1Char('|'));
        }
        QCOMPARE(captions,
                 QStringList({"&File:&Record|E&xit", "&Edit:&Scale|&Key||&Paths...",
                              "&MIDI:&All Off|All &Channels All Off|MIDI &Setup|&Monitor...|S&ync...", "&Help:&About"}));
        // Outside tools find the items by these names.
        QCOMPARE(names, QStringList({"File:MnuRecord|Exit", "MnuEdit:MnuScale|MnuKey||MnuPaths",
                                     "MIDI:MnuAllOff|MenuAllAllOff|MIDISetup|MnuMonitor|MnuSync", "help:About"}));
        QCOMPARE(f.find<QAction>(menus::AllOff)->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
    }

    // The literal names pin the spellings that tests and outside tools find
    // the controls by.
    void tabOrderAndFirstFocus()
    {
        MainWindowFixture f;
        const QStringList expected = {"DoIt",
                                      "Text1",
                                      "StopIt",
                                      "MixmasterText",
                                      "MixDoIt",
                                      "Command1",
                                      "CheckUseNoteOff",
                                      "StartNoteText",
                                      "CheckMinMax",
                                      "PitchMax",
                                      "PitchMin",
                                      "TextModulo",
                                      "CheckUseModulo",
                                      "ComboPatch",
                                      "Test",
                                      "CheckDisplayResults",
                                      "TextVal(3)",
                                      "TextVal(2)",
                                      "TextVal(1)",
                                      "TextVal(0)",
                                      "CheckDoMode(3)",
                                      "CheckDoMode(2)",
                                      "CheckDoMode(1)",
                                      "CheckDoMode(0)",
                                      "CheckRandomDelay",
                                      "DelayText",
                                      "TextTranspose(0)",
                                      "TextTranspose(1)",
                                      "TextTranspose(2)",
                                      "TextTranspose(3)",
                                      "TextDoMode",
                                      "CommandExplainMM",
                                      "CommandExplainWondrous",
                                      "CommandExplainMixMaster"};
        QStringList chain;
        for (QWidget* w = f.window->nextInFocusChain(); w != f.window; w = w->nextInFocusChain()) {
            if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty() && expected.contains(w->objectName()))
                chain << w->objectName();
        }
        QCOMPARE(chain, expected);

        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        QCOMPARE(QApplication::focusWidget()->objectName(), QString(controls::DoIt));
        // No default button: Enter in a box starts nothing.
        f.box(controls::StartNote)->setFocus();
        QTest::keyClick(f.box(controls::StartNote), Qt::Key_Return);
        QVERIFY(f.out->wire.empty());
        QVERIFY(!f.composer().wondrousRunning());
    }

    void enterOrSpaceRightAfterShowingStartsWondrousness_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("space") << int(Qt::Key_Space);
        QTest::newRow("enter") << int(Qt::Key_Return);
    }

    void enterOrSpaceRightAfterShowingStartsWondrousness()
    {
        QFETCH(int, key);
        MainWindowFixture f;
        f.box(controls::Delay)->setText(QStringLiteral("0"));
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        f.stopWondrousnessAfter(4);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QVERIFY(f.out->wire.size() >= 4);
        // The first pass switches off the empty pending note, then plays 60 halved at velocity 60.
        QCOMPARE(f.out->wireLog().mid(0, 2), QStringList({"90 00 00", "90 1e 3c"}));
        QVERIFY(!f.composer().wondrousRunning());
    }

    void modeFlagsAndGuards()
    {
        MainWindowFixture f;
        f.check(controls::doMode(Mode::Pan))->click();
        QCOMPARE(f.box(controls::ModeFlags)->text(), QStringLiteral(", 1, 0, 0, 1"));
        f.check(controls::doMode(Mode::Pitch))->click();
        f.check(controls::doMode(Mode::Pan))->click();
        QCOMPARE(f.box(controls::ModeFlags)->text(), QStringLiteral(", 0, 0, 0, 0"));
        for (Mode mode : allModes)
            QVERIFY(!f.composer().modeOn(mode));

        f.box(controls::Delay)->clear();
        QCOMPARE(f.box(controls::Delay)->text(), QStringLiteral("0"));
        f.box(controls::transposition(Mode::ProgrammeChange))->clear();
        QCOMPARE(f.box(controls::transposition(Mode::ProgrammeChange))->text(), QStringLiteral("0"));
        f.box(controls::Modulo)->setText(QStringLiteral("40000"));
        QCOMPARE(f.box(controls::Modulo)->text(), QStringLiteral("30000"));
        f.box(controls::Modulo)->setText(QStringLiteral("abc"));
        QCOMPARE(f.box(controls::Modulo)->text(), QStringLiteral("abc"));
        QVERIFY(f.out->wire.empty()); // settings alone play nothing
    }

    void testButtonFollowsTheMouseOnly()
    {
        MainWindowFixture f;
        QPushButton* test = f.button(controls::TestNote);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        QTest::mousePress(test, Qt::LeftButton);
        QCOMPARE(f.out->wireLog(), QStringList({"90 3c 3c"}));
        QCOMPARE(f.out->writeLog(), QStringList({"Status=144", "Data2=60", "Data1=60", "Auxiliary=0", "Action=7"}));
        QTest::mouseRelease(test, Qt::LeftButton);
        QCOMPARE(f.out->wireLog(), QStringList({"90 3c 3c", "90 3c 00"}));
        QTest::mousePress(test, Qt::RightButton);
        QTest::mouseRelease(test, Qt::RightButton);
        QCOMPARE(f.out->wire.size(), std::size_t(4));

        f.out->wire.clear();
        test->setFocus();
        QTest::keyClick(test, Qt::Key_Space);
        QTest::keyClick(test, Qt::Key_Return);
        QVERIFY(f.out->wire.empty());
    }

    // The program builds the window's controls behind its device dialog,
    // after the window was handed its parts: they play as if built at once.
    void controlsBuiltAfterThePartsAreWiredToThem()
    {
        auto backend = std::make_unique<MemoryOutputBackend>();
        MemoryOutputBackend& out = *backend;
        PlayObservers plays;
        PassObservers passes;
        MidiOutput output(std::move(backend));
        MidiInput input(std::make_unique<MemoryInputBackend>());
        QtHost host;
        FrmMain window(FrmMain::Build::Later);
        Composer composer(window, host, output);
        TakeRecording recording(plays, [](const QString&) {}, &window);
        struct NoClock : MidiClockOut {
            void runStarted(std::int64_t) override { }
            void runEnded() override { }
            void setSending(bool) override { }
            bool sending() const override { return false; }
            void follow(ClockFollows) override { }
            void beatChanged() override { }
        } clockOut;
        window.attach({output, input, composer, recording, plays, passes, clockOut});
        QVERIFY(!window.built());
        QVERIFY(!window.findChild<QPushButton*>(controls::TestNote));

        window.build();
        window.build(); // once only: no control twice, no signal wired twice
        QCOMPARE(window.findChildren<QPushButton*>(controls::TestNote).size(), 1);
        output.setDeviceNumber(0);
        output.setAction(1);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mousePress(window.findChild<QPushButton*>(controls::TestNote), Qt::LeftButton);
        QCOMPARE(out.wireLog(), QStringList({"90 3c 3c"}));
    }

    void choosingAPatchSendsItsProgramme()
    {
        MainWindowFixture f;
        f.patches()->setCurrentIndex(f.patches()->findText(QStringLiteral("Gunshot")));
        QCOMPARE(f.out->wireLog(), QStringList({"c0 7f"}));
        QCOMPARE(f.composer().channelPatch(0), 127);
    }

    void explanationTextsKeepTheirStructure()
    {
        const QString lb = QStringLiteral("\n\r");
        const QString mix = mixmasterExplanation();
        QVERIFY(mix.startsWith(lb + QLatin1Char('(')));
        QVERIFY(mix.section(lb, 1, 1).contains(QStringLiteral("1983")));
        for (const char* equation :
             {"N1 = 6.0229867", "N1= 6 + 0.0229867", "N2 = 1/0.0229867 = 43.503417", "N3 = 1/0.503417 = 1.9864248"})
            QVERIFY2(mix.contains(lb + QString::fromLatin1(equation) + lb), equation);
        for (const char* step : {"1   ", "2   ", "3   ", "4   "})
            QVERIFY(mix.contains(lb + lb + QString::fromLatin1(step)));
        QVERIFY(mix.contains(QStringLiteral("1, 72, 1 and 5")));
        QCOMPARE(mix.count(QLatin1Char('\r')), mix.count(lb)); // every break is LF then CR

        const QString wondrous = wondrousnessExplanation();
        QCOMPARE(wondrous.section(lb, 0, 0), wondrousnessExplanationTitle());
        const QStringList paragraphs = wondrous.section(lb, 1).split(lb + lb);
        QCOMPARE(paragraphs.size(), 4);
        for (int i = 0; i < 3; ++i)
            QVERIFY(paragraphs[i].startsWith(QStringLiteral("' - ")) && paragraphs[i].endsWith(QLatin1Char('\'')));
        QVERIFY(paragraphs[1].contains(QStringLiteral("15")));
        QVERIFY(paragraphs[3].contains(QStringLiteral("400-401")));
    }

    void explanationBoxesOpenModally_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("title");
        QTest::newRow("Mixmaster") << QString(controls::ExplainMixmaster) << "The Mixmaster Algorithm";
        QTest::newRow("Wondrousness") << QString(controls::ExplainWondrousness) << "Wondrousness";
    }

    void explanationBoxesOpenModally()
    {
        QFETCH(QString, button);
        QFETCH(QString, title);
        MainWindowFixture f;
        QString shownTitle;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        whenModalOpens([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            shownTitle = box->windowTitle();
            icon = box->icon();
        });
        f.button(button)->click();
        QCOMPARE(shownTitle, title);
        QCOMPARE(icon, QMessageBox::Information);
    }

    void mixmasterDocumentOpensThroughTheDesktopWithoutMessages()
    {
        MainWindowFixture f;
        QList<QUrl> opened;
        f.window->openWithDesktop = [&](const QUrl& url) { opened << url; };
        f.button(controls::MixmasterDocument)->click();
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened[0].toLocalFile().endsWith(QStringLiteral("docs/mixmaster.txt")));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(f.out->wire.empty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
