#include "ui/main/main_window_layout.h"

#include "ui/common/caption_fit.h"
#include "ui/main/menu_keys_first.h"
#include "ui/common/classic_frame.h"
#include "ui/common/classic_look.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>

namespace quorvane {

namespace {

enum class Kind { Frame, Label, Text, FormulaText, Check, Button, Combo };

struct Control {
    Kind kind;
    const char* name;
    const char* container; // nullptr: the window's client area
    int left, top, width, height;
    const char* caption; // caption or initial text
    bool checked = false;
};

// Containers come before their contents.
const Control controls[] = {
    {Kind::Frame, "Frame4", nullptr, 120, 0, 3180, 4800, "General Controls"},
    {Kind::Frame, "FrameFormula(0)", nullptr, 3405, 0, 2760, 870, "Wondrousness"},
    {Kind::Frame, "FrameFormula(1)", nullptr, 3390, 930, 2760, 1215, "Mixmaster"},
    {Kind::Button, "Test", nullptr, 3435, 4440, 1755, 330, "Test"},

    {Kind::Combo, "ComboPatch", "Frame4", 165, 300, 1995, 315, ""},
    {Kind::Label, "LabelBasic(3)", "Frame4", 165, 765, 840, 195, "Start Note"},
    {Kind::Text, "StartNoteText", "Frame4", 1455, 705, 630, 315, "60"},
    {Kind::Check, "CheckMinMax", "Frame4", 150, 1125, 1275, 240, "Use Min/Max", false},
    {Kind::Text, "PitchMin", "Frame4", 1455, 1080, 420, 315, "0"},
    {Kind::Text, "PitchMax", "Frame4", 1890, 1080, 480, 315, "0"},
    {Kind::Check, "CheckUseModulo", "Frame4", 165, 1545, 1170, 240, "Use Modulo", true},
    {Kind::Text, "TextModulo", "Frame4", 1455, 1485, 765, 315, "127"},
    {Kind::Frame, "Frame1", "Frame4", 135, 1905, 1845, 960, "Delay"},
    {Kind::Check, "CheckUseNoteOff", "Frame4", 2025, 2340, 915, 240, "Note Off", true},
    {Kind::Text, "TextDoMode", "Frame4", 2025, 2625, 825, 315, "0"},
    {Kind::Frame, "Frame3", "Frame4", 90, 2895, 3015, 1845, "Applies to..."},

    {Kind::Label, "LabelBasic(4)", "Frame1", 150, 255, 750, 195, "Delay (ms)"},
    {Kind::Text, "DelayText", "Frame1", 1005, 195, 630, 315, "60"},
    {Kind::Check, "CheckRandomDelay", "Frame1", 105, 600, 1560, 240, "Randomise Delay", true},

    {Kind::Check, "CheckDisplayResults", "Frame3", 270, 240, 1440, 270, "Display Results", true},
    {Kind::Label, "LabelBasic(5)", "Frame3", 2130, 270, 750, 195, "Transpose"},
    {Kind::Check, "CheckDoMode(0)", "Frame3", 45, 630, 705, 240, "Pitch", true},
    {Kind::Check, "CheckDoMode(1)", "Frame3", 45, 915, 915, 240, "Velocity", false},
    {Kind::Check, "CheckDoMode(2)", "Frame3", 45, 1200, 1845, 240, "Programme Change", false},
    {Kind::Check, "CheckDoMode(3)", "Frame3", 45, 1515, 645, 240, "Pan", false},
    {Kind::Text, "TextVal(0)", "Frame3", 1755, 570, 480, 300, "0"},
    {Kind::Text, "TextVal(1)", "Frame3", 1755, 870, 480, 300, "60"},
    {Kind::Text, "TextVal(2)", "Frame3", 1755, 1170, 480, 300, "0"},
    {Kind::Text, "TextVal(3)", "Frame3", 1755, 1470, 480, 300, "0"},
    {Kind::Text, "TextTranspose(0)", "Frame3", 2280, 570, 480, 300, "0"},
    {Kind::Text, "TextTranspose(1)", "Frame3", 2280, 870, 480, 300, "0"},
    {Kind::Text, "TextTranspose(2)", "Frame3", 2280, 1170, 480, 315, "0"},
    {Kind::Text, "TextTranspose(3)", "Frame3", 2280, 1470, 480, 300, "0"},

    {Kind::FormulaText, "Text1", "FrameFormula(0)", 75, 210, 1600, 600,
     "if x is odd, then x = 3x + 1\r\nelse\r\nx = x/2\r\n"},
    {Kind::Button, "DoIt", "FrameFormula(0)", 1755, 210, 700, 285, "Do it"},
    {Kind::Button, "StopIt", "FrameFormula(0)", 1755, 495, 700, 285, "Stop it"},
    {Kind::Button, "CommandExplainWondrous", "FrameFormula(0)", 2460, 375, 210, 255, "?"},

    {Kind::FormulaText, "MixmasterText", "FrameFormula(1)", 75, 225, 1600, 900,
     "x = long random number \r\nthen loop:\r\ny = int(x)\r\nz = x-y\r\nx = 1/z\r\n"},
    {Kind::Button, "MixDoIt", "FrameFormula(1)", 1755, 180, 700, 285, "Do it"},
    {Kind::Button, "Command1", "FrameFormula(1)", 1755, 465, 700, 285, "Stop it"},
    {Kind::Button, "CommandExplainMM", "FrameFormula(1)", 1755, 810, 210, 255, "?"},
    {Kind::Button, "CommandExplainMixMaster", "FrameFormula(1)", 2460, 315, 210, 255, "?"},
};

// What a screen reader announces for the controls whose caption does not say
// what they are: the boxes, named after the label or column they stand in,
// and the buttons that only show "?". Every other control is announced by
// its caption. Without a name of its own a control inside a frame would be
// announced by the frame's caption.
const struct {
    const char* control;
    const char* name;
} accessibleNames[] = {
    {"ComboPatch", "Instrument"},
    {"StartNoteText", "Start Note"},
    {"PitchMin", "Minimum pitch"},
    {"PitchMax", "Maximum pitch"},
    {"TextModulo", "Modulo"},
    {"TextDoMode", "Modes in use"},
    {"DelayText", "Delay (ms)"},
    {"TextVal(0)", "Pitch result"},
    {"TextVal(1)", "Velocity result"},
    {"TextVal(2)", "Programme Change result"},
    {"TextVal(3)", "Pan result"},
    {"TextTranspose(0)", "Pitch transpose"},
    {"TextTranspose(1)", "Velocity transpose"},
    {"TextTranspose(2)", "Programme Change transpose"},
    {"TextTranspose(3)", "Pan transpose"},
    {"Text1", "Wondrousness formula"},
    {"MixmasterText", "Mixmaster formula"},
    {"CommandExplainWondrous", "Explain Wondrousness"},
    {"CommandExplainMixMaster", "Explain Mixmaster"},
    {"CommandExplainMM", "Mixmaster document"},
};

// Keyboard focus order, first to last; frames and labels in the list take no
// focus of their own and are skipped.
const char* const tabOrder[] = {
    "DoIt",
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
    "CommandExplainMixMaster",
};

struct MenuItem {
    const char* menuName;
    const char* menuCaption;
    const char* itemName;
    const char* itemCaption;
    const char* shortcut;
};

const MenuItem menuItems[] = {
    {"File", "&File", "Exit", "E&xit", nullptr},
    {"MnuEdit", "&Edit", "MnuPaths", "&Paths...", nullptr},
    {"MIDI", "&MIDI", "MnuAllOff", "&All Off", "Ctrl+A"},
    {"MIDI", "&MIDI", "MenuAllAllOff", "All &Channels All Off", nullptr},
    {"MIDI", "&MIDI", "MIDISetup", "MIDI &Setup", nullptr},
    {"MIDI", "&MIDI", "MnuMonitor", "&Monitor...", nullptr},
    {"help", "&Help", "About", "&About", nullptr},
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
    widget->setObjectName(QString::fromUtf8(c.name));
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
}

} // namespace

void buildMainWindowLayout(QMainWindow& window)
{
    window.setWindowTitle(QStringLiteral("Quorvane"));

    auto* client = new QWidget(&window);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(twips(6285), twips(4860));
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(192, 192, 192));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.setCentralWidget(client);

    for (const Control& c : controls) {
        QWidget* container = c.container ? client->findChild<QWidget*>(QString::fromUtf8(c.container)) : client;
        makeControl(c, container);
    }
    fitCaptions(client);

    for (const auto& entry : accessibleNames)
        client->findChild<QWidget*>(QString::fromUtf8(entry.control))->setAccessibleName(QString::fromUtf8(entry.name));

    QWidget* previous = nullptr;
    for (const char* name : tabOrder) {
        QWidget* next = client->findChild<QWidget*>(QString::fromUtf8(name));
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
