#include "ui/main/main_window_layout.h"

#include "ui/common/caption_fit.h"
#include "ui/main/menu_keys_first.h"
#include "ui/main/scale_menus.h"
#include "ui/common/classic_frame.h"
#include "ui/common/classic_look.h"
#include "ui/main/window_names.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <utility>
#include <vector>

namespace quorvane {

namespace {

enum class Kind { Frame, Label, Text, FormulaText, Check, Button, Combo };

struct Control {
    Kind kind;
    QString name;
    QString container; // empty: the window's client area
    int left, top, width, height;
    const char* caption; // caption or initial text
    bool checked = false;
};

// Every control in its place; containers come before their contents.
std::vector<Control> windowControls()
{
    using namespace controls;
    const QString wondrous = formulaFrame(Formula::Wondrousness);
    const QString mix = formulaFrame(Formula::Mixmaster);
    return {
        {Kind::Frame, GeneralFrame, {}, 120, 0, 3180, 4800, "General Controls"},
        {Kind::Frame, wondrous, {}, 3405, 0, 2760, 870, "Wondrousness"},
        {Kind::Frame, mix, {}, 3390, 930, 2760, 1215, "Mixmaster"},
        {Kind::Button, TestNote, {}, 3435, 4440, 1755, 330, "Test"},

        {Kind::Combo, PatchList, GeneralFrame, 165, 300, 1995, 315, ""},
        {Kind::Label, element(Labels, 3), GeneralFrame, 165, 765, 840, 195, "Start Note"},
        {Kind::Text, StartNote, GeneralFrame, 1455, 705, 630, 315, "60"},
        {Kind::Check, UseMinMax, GeneralFrame, 150, 1125, 1275, 240, "Use Min/Max", false},
        {Kind::Text, PitchMin, GeneralFrame, 1455, 1080, 420, 315, "0"},
        {Kind::Text, PitchMax, GeneralFrame, 1890, 1080, 480, 315, "0"},
        {Kind::Check, UseModulo, GeneralFrame, 165, 1545, 1170, 240, "Use Modulo", true},
        {Kind::Text, Modulo, GeneralFrame, 1455, 1485, 765, 315, "127"},
        {Kind::Frame, DelayFrame, GeneralFrame, 135, 1905, 1845, 960, "Delay"},
        {Kind::Check, UseNoteOff, GeneralFrame, 2025, 2340, 915, 240, "Note Off", true},
        {Kind::Text, ModeFlags, GeneralFrame, 2025, 2625, 825, 315, "0"},
        {Kind::Frame, ModesFrame, GeneralFrame, 90, 2895, 3015, 1845, "Applies to..."},

        {Kind::Label, element(Labels, 4), DelayFrame, 150, 255, 750, 195, "Delay (ms)"},
        {Kind::Text, Delay, DelayFrame, 1005, 195, 630, 315, "60"},
        {Kind::Check, RandomDelay, DelayFrame, 105, 600, 1560, 240, "Randomise Delay", true},

        {Kind::Check, DisplayResults, ModesFrame, 270, 240, 1440, 270, "Display Results", true},
        {Kind::Label, element(Labels, 5), ModesFrame, 2130, 270, 750, 195, "Transpose"},
        {Kind::Check, doMode(Mode::Pitch), ModesFrame, 45, 630, 705, 240, "Pitch", true},
        {Kind::Check, doMode(Mode::Velocity), ModesFrame, 45, 915, 915, 240, "Velocity", false},
        {Kind::Check, doMode(Mode::ProgrammeChange), ModesFrame, 45, 1200, 1845, 240, "Programme Change", false},
        {Kind::Check, doMode(Mode::Pan), ModesFrame, 45, 1515, 645, 240, "Pan", false},
        {Kind::Text, result(Mode::Pitch), ModesFrame, 1755, 570, 480, 300, "0"},
        {Kind::Text, result(Mode::Velocity), ModesFrame, 1755, 870, 480, 300, "60"},
        {Kind::Text, result(Mode::ProgrammeChange), ModesFrame, 1755, 1170, 480, 300, "0"},
        {Kind::Text, result(Mode::Pan), ModesFrame, 1755, 1470, 480, 300, "0"},
        {Kind::Text, transposition(Mode::Pitch), ModesFrame, 2280, 570, 480, 300, "0"},
        {Kind::Text, transposition(Mode::Velocity), ModesFrame, 2280, 870, 480, 300, "0"},
        {Kind::Text, transposition(Mode::ProgrammeChange), ModesFrame, 2280, 1170, 480, 315, "0"},
        {Kind::Text, transposition(Mode::Pan), ModesFrame, 2280, 1470, 480, 300, "0"},

        {Kind::FormulaText, WondrousnessFormula, wondrous, 75, 210, 1600, 600,
         "if x is odd, then x = 3x + 1\r\nelse\r\nx = x/2\r\n"},
        {Kind::Button, DoIt, wondrous, 1755, 210, 700, 285, "Do it"},
        {Kind::Button, StopIt, wondrous, 1755, 495, 700, 285, "Stop it"},
        {Kind::Button, ExplainWondrousness, wondrous, 2460, 375, 210, 255, "?"},

        {Kind::FormulaText, MixmasterFormula, mix, 75, 225, 1600, 900,
         "x = long random number \r\nthen loop:\r\ny = int(x)\r\nz = x-y\r\nx = 1/z\r\n"},
        {Kind::Button, MixDoIt, mix, 1755, 180, 700, 285, "Do it"},
        {Kind::Button, MixStopIt, mix, 1755, 465, 700, 285, "Stop it"},
        {Kind::Button, MixmasterDocument, mix, 1755, 810, 210, 255, "?"},
        {Kind::Button, ExplainMixmaster, mix, 2460, 315, 210, 255, "?"},
    };
}

// What a screen reader announces for the controls whose caption does not say
// what they are: the boxes, named after the label or column they stand in,
// and the buttons that only show "?". Every other control is announced by
// its caption. Without a name of its own a control inside a frame would be
// announced by the frame's caption.
std::vector<std::pair<QString, const char*>> accessibleNames()
{
    using namespace controls;
    return {
        {PatchList, "Instrument"},
        {StartNote, "Start Note"},
        {PitchMin, "Minimum pitch"},
        {PitchMax, "Maximum pitch"},
        {Modulo, "Modulo"},
        {ModeFlags, "Modes in use"},
        {Delay, "Delay (ms)"},
        {result(Mode::Pitch), "Pitch result"},
        {result(Mode::Velocity), "Velocity result"},
        {result(Mode::ProgrammeChange), "Programme Change result"},
        {result(Mode::Pan), "Pan result"},
        {transposition(Mode::Pitch), "Pitch transpose"},
        {transposition(Mode::Velocity), "Velocity transpose"},
        {transposition(Mode::ProgrammeChange), "Programme Change transpose"},
        {transposition(Mode::Pan), "Pan transpose"},
        {WondrousnessFormula, "Wondrousness formula"},
        {MixmasterFormula, "Mixmaster formula"},
        {ExplainWondrousness, "Explain Wondrousness"},
        {ExplainMixmaster, "Explain Mixmaster"},
        {MixmasterDocument, "Mixmaster document"},
    };
}

// Keyboard focus order, first to last; frames and labels in the list take no
// focus of their own and are skipped.
QStringList tabOrder()
{
    using namespace controls;
    return {
        DoIt,
        WondrousnessFormula,
        StopIt,
        MixmasterFormula,
        MixDoIt,
        MixStopIt,
        UseNoteOff,
        StartNote,
        UseMinMax,
        PitchMax,
        PitchMin,
        Modulo,
        UseModulo,
        PatchList,
        TestNote,
        DisplayResults,
        result(Mode::Pan),
        result(Mode::ProgrammeChange),
        result(Mode::Velocity),
        result(Mode::Pitch),
        doMode(Mode::Pan),
        doMode(Mode::ProgrammeChange),
        doMode(Mode::Velocity),
        doMode(Mode::Pitch),
        RandomDelay,
        Delay,
        transposition(Mode::Pitch),
        transposition(Mode::Velocity),
        transposition(Mode::ProgrammeChange),
        transposition(Mode::Pan),
        ModeFlags,
        MixmasterDocument,
        ExplainWondrousness,
        ExplainMixmaster,
    };
}

struct MenuItem {
    const char* menuName;
    const char* menuCaption;
    const char* itemName;
    const char* itemCaption;
    const char* shortcut;
};

const MenuItem menuItems[] = {
    {menus::File, "&File", menus::Exit, "E&xit", nullptr},
    {menus::Edit, "&Edit", menus::Paths, "&Paths...", nullptr},
    {menus::Midi, "&MIDI", menus::AllOff, "&All Off", "Ctrl+A"},
    {menus::Midi, "&MIDI", menus::AllChannelsAllOff, "All &Channels All Off", nullptr},
    {menus::Midi, "&MIDI", menus::MidiSetup, "MIDI &Setup", nullptr},
    {menus::Midi, "&MIDI", menus::Monitor, "&Monitor...", nullptr},
    {menus::Midi, "&MIDI", menus::Sync, "S&ync...", nullptr},
    {menus::Help, "&Help", menus::About, "&About", nullptr},
};

QWidget* makeControl(const Control& c, QWidget* container)
{
    const QString caption = QString::fromUtf8(c.caption);
    QWidget* widget = nullptr;
    switch (c.kind) {
    case Kind::Frame: widget = new ClassicFrame(caption, container); break;
    case Kind::Label: widget = new QLabel(caption, container); break;
    case Kind::Text: widget = new QLineEdit(caption, container); break;
    case Kind::FormulaText: {
        auto* box = new QPlainTextEdit(container);
        QString shown = caption;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        box->setPlainText(shown);
        box->setReadOnly(true);
        box->document()->setDocumentMargin(1); // every line of the formula must show in the small box
        box->setTabChangesFocus(true);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        widget = box;
        break;
    }
    case Kind::Check: {
        auto* box = new QCheckBox(caption, container);
        box->setChecked(c.checked);
        widget = box;
        break;
    }
    case Kind::Button: {
        auto* button = new QPushButton(caption, container);
        // Enter presses the button that has the focus, as the space bar does;
        // the window itself has no default button.
        button->setAutoDefault(true);
        widget = button;
        break;
    }
    case Kind::Combo: {
        auto* combo = new QComboBox(container);
        combo->setEditable(false);
        QPalette palette = combo->palette();
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Button, Qt::white);
        palette.setColor(QPalette::Text, Qt::black);
        palette.setColor(QPalette::ButtonText, Qt::black);
        combo->setPalette(palette);
        widget = combo;
        break;
    }
    }
    widget->setObjectName(c.name);
    widget->setFont(c.kind == Kind::FormulaText ? smallFormulaFont() : classicFont());
    widget->setGeometry(twips(c.left), twips(c.top), twips(c.width), twips(c.height));
    if (auto* box = qobject_cast<QPlainTextEdit*>(widget))
        fitLines(box);
    return widget;
}

void buildMenus(QMainWindow& window)
{
    QMenuBar* bar = window.menuBar();
    QMenu* menu = nullptr;
    for (const MenuItem& item : menuItems) {
        const QString menuName = QString::fromUtf8(item.menuName);
        if (!menu || menu->objectName() != menuName) {
            menu = bar->addMenu(QString::fromUtf8(item.menuCaption));
            menu->setObjectName(menuName);
        }
        QAction* action = menu->addAction(QString::fromUtf8(item.itemCaption));
        action->setObjectName(QString::fromUtf8(item.itemName));
        if (item.shortcut)
            action->setShortcut(QKeySequence(QString::fromUtf8(item.shortcut)));
    }
    addScaleMenus(*bar->findChild<QMenu*>(menus::Edit));
}

} // namespace

void buildMainWindowLayout(QMainWindow& window)
{
    auto* client = new QWidget(&window);
    client->setObjectName(controls::ClientArea);
    client->setFixedSize(twips(6285), twips(4860));
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(192, 192, 192));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.setCentralWidget(client);

    for (const Control& c : windowControls()) {
        QWidget* container = c.container.isEmpty() ? client : client->findChild<QWidget*>(c.container);
        makeControl(c, container);
    }
    fitCaptions(client);

    for (const auto& [control, name] : accessibleNames())
        client->findChild<QWidget*>(control)->setAccessibleName(QString::fromUtf8(name));

    QWidget* previous = nullptr;
    for (const QString& name : tabOrder()) {
        QWidget* next = client->findChild<QWidget*>(name);
        if (previous)
            QWidget::setTabOrder(previous, next);
        previous = next;
    }

    buildMenus(window);
    putMenuKeysFirst(window);

    // Fixed size: the client area plus the menu bar, never resizable.
    window.adjustSize();
    window.setFixedSize(window.sizeHint());
}

} // namespace quorvane
